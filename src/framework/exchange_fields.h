#pragma once

#include <string>

#include "framework/data_exchange.h"
#include "framework/number_text.h"

// Shorthands for the usual fields of a window: each binds one field to one control together with
// the limit, range or display format that belongs to it, so a window's exchange reads as a list
// of its fields.
namespace corvane::fw {

// A text of at most `maxChars` characters.
inline void TextField(DataExchange& dx, int id, std::string& field, int maxChars) {
    dx.Text(id, field);
    dx.MaxChars(id, field, maxChars);
}

// An integer between `minimum` and `maximum`.
inline void IntegerField(DataExchange& dx, int id, int& field, int minimum, int maximum) {
    dx.Text(id, field);
    dx.MinMax(id, field, minimum, maximum);
}

// A number held as its display format shows it ("%.1f", "%.2f"): pushing passes the field
// through the format first, so the field and the control both carry the displayed precision.
inline void DisplayedNumber(DataExchange& dx, int id, double& field, const char* format) {
    if (!dx.Pulling()) field = AsDisplayed(format, field);
    dx.Text(id, field);
}

}  // namespace corvane::fw
