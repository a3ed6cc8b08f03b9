#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace mw::cli {

// Builds a JSON document value by value: objects, arrays, strings, numbers, booleans and
// null. Text that is not UTF-8 (a file name may be any bytes) is written with replacement
// characters, so the document is always valid JSON.
class JsonWriter {
public:
    void BeginObject() { Open(nlohmann::ordered_json::object()); }
    void EndObject() { m_open.pop_back(); }
    void BeginArray() { Open(nlohmann::ordered_json::array()); }
    void EndArray() { m_open.pop_back(); }

    // Keys go before every value inside an object.
    void Key(std::string_view key) { m_key = key; }
    void String(std::string_view value) { Add(std::string(value)); }
    void Number(std::int64_t value) { Add(value); }
    // Six significant digits, as the text output shows them; not a number is null.
    void Number(double value);
    void Bool(bool value) { Add(value); }
    void Null() { Add(nullptr); }

    // A key with its value, inside an object.
    template <typename Value>
    void Member(std::string_view key, Value value) {
        Key(key);
        Add(value);
    }
    void Member(std::string_view key, double value) {
        Key(key);
        Number(value);
    }
    void Member(std::string_view key, std::string_view value) {
        Key(key);
        String(value);
    }

    std::string Text() const;

private:
    void Add(nlohmann::ordered_json value);
    void Open(nlohmann::ordered_json container);

    nlohmann::ordered_json m_document;
    // The objects and arrays not closed yet, outermost first.
    std::vector<nlohmann::ordered_json*> m_open;
    std::string m_key;
};

}  // namespace mw::cli
