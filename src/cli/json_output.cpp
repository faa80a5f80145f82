#include "cli/json_output.h"

#include <cmath>

#include "framework/number_text.h"
#include "records/service_event.h"

namespace corvane::cli {

void JsonObject::Key(std::string_view key) {
    if (!members_.empty()) members_ += ',';
    members_ += records::JsonString(std::string(key)) + ':';
}

JsonObject& JsonObject::Text(std::string_view key, const std::string& value) {
    Key(key);
    members_ += records::JsonString(value);
    return *this;
}

JsonObject& JsonObject::Integer(std::string_view key, long long value) {
    Key(key);
    members_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Number(std::string_view key, double value, const char* format) {
    Key(key);
    members_ += std::isfinite(value) ? fw::FormatNumber(format, value) : std::string("null");
    return *this;
}

JsonObject& JsonObject::Bool(std::string_view key, bool value) {
    Key(key);
    members_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::Null(std::string_view key) {
    Key(key);
    members_ += "null";
    return *this;
}

JsonObject& JsonObject::Json(std::string_view key, const std::string& json) {
    Key(key);
    members_ += json;
    return *this;
}

std::string JsonTextArray(const std::vector<std::string>& texts) {
    std::vector<std::string> items;
    items.reserve(texts.size());
    for (const std::string& text : texts) items.push_back(records::JsonString(text));
    return JsonArray(items);
}

std::string JsonKeyOf(std::string_view name) {
    std::string key;
    for (const char c : name) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (c >= 'A' && c <= 'Z') {
            key += static_cast<char>(c - 'A' + 'a');
        } else if (letter) {
            key += c;
        } else if (!key.empty() && key.back() != '_') {
            key += '_';
        }
    }
    while (!key.empty() && key.back() == '_') key.pop_back();
    return key;
}

}  // namespace corvane::cli
