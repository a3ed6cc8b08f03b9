#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mw::cli {

// A small writer of JSON text: objects, arrays, strings, numbers, booleans and null.
class JsonWriter {
public:
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }

    // Keys go before every value inside an object.
    void Key(std::string_view key);
    void String(std::string_view value);
    void Number(std::int64_t value);
    void Number(double value);
    void Bool(bool value);
    void Null();

    // A key with its value, inside an object.
    void Member(std::string_view key, std::string_view value);
    void Member(std::string_view key, std::int64_t value);
    void Member(std::string_view key, double value);
    void Member(std::string_view key, bool value);

    const std::string& Text() const { return m_text; }

private:
    void Open(char bracket);
    void Close(char bracket);
    void Separate();

    std::string m_text;
    bool m_needComma = false;
};

}  // namespace mw::cli
