#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/service_event.h"

namespace corvane::cli {

// One JSON object, built member by member in the order given. Texts are escaped as the service
// record's JSON is (every control character), numbers are written in the C locale.
class JsonObject {
  public:
    JsonObject& Text(std::string_view key, const std::string& value);
    JsonObject& Integer(std::string_view key, long long value);
    // `format` as printf takes it ("%.1f"): the precision the plain output shows.
    JsonObject& Number(std::string_view key, double value, const char* format = "%.15g");
    JsonObject& Bool(std::string_view key, bool value);
    JsonObject& Null(std::string_view key);
    // A member whose value is JSON text already (an object or an array).
    JsonObject& Json(std::string_view key, const std::string& json);
    std::string Build() const { return "{" + members_ + "}"; }

  private:
    void Key(std::string_view key);
    std::string members_;
};

// JSON texts as one array: the service record's own.
using records::JsonArray;
// Texts as an array of JSON strings.
std::string JsonTextArray(const std::vector<std::string>& texts);
// A name as a member key: "Serial Number" -> "serial_number", "Output 1 At 4 mA" ->
// "output_1_at_4_ma".
std::string JsonKeyOf(std::string_view name);

}  // namespace corvane::cli
