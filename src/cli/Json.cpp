#include "Json.h"

#include <cmath>
#include <cstdio>

namespace mw::cli {

void JsonWriter::Separate() {
    if (m_needComma) {
        m_text += ',';
    }
    m_needComma = true;
}

void JsonWriter::Open(char bracket) {
    Separate();
    m_text += bracket;
    m_needComma = false;
}

void JsonWriter::Close(char bracket) {
    m_text += bracket;
    m_needComma = true;
}

void JsonWriter::Key(std::string_view key) {
    String(key);
    m_text += ':';
    m_needComma = false;
}

void JsonWriter::String(std::string_view value) {
    Separate();
    m_text += '"';
    for (unsigned char c : value) {
        switch (c) {
            case '"':
                m_text += "\\\"";
                break;
            case '\\':
                m_text += "\\\\";
                break;
            case '\n':
                m_text += "\\n";
                break;
            case '\r':
                m_text += "\\r";
                break;
            case '\t':
                m_text += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    m_text += escape;
                } else {
                    m_text += static_cast<char>(c);
                }
        }
    }
    m_text += '"';
}

void JsonWriter::Number(std::int64_t value) {
    Separate();
    m_text += std::to_string(value);
}

void JsonWriter::Number(double value) {
    Separate();
    if (!std::isfinite(value)) {
        m_text += "null";
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    m_text += text;
}

void JsonWriter::Bool(bool value) {
    Separate();
    m_text += value ? "true" : "false";
}

void JsonWriter::Member(std::string_view key, std::string_view value) {
    Key(key);
    String(value);
}

void JsonWriter::Member(std::string_view key, std::int64_t value) {
    Key(key);
    Number(value);
}

void JsonWriter::Member(std::string_view key, double value) {
    Key(key);
    Number(value);
}

void JsonWriter::Member(std::string_view key, bool value) {
    Key(key);
    Bool(value);
}

void JsonWriter::Null() {
    Separate();
    m_text += "null";
}

}  // namespace mw::cli
