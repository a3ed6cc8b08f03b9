#include "Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace mw::cli {

void JsonWriter::Number(double value) {
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    Add(std::strtod(text, nullptr));
}

void JsonWriter::Add(nlohmann::ordered_json value) {
    if (m_open.empty()) {
        m_document = std::move(value);
    } else if (m_open.back()->is_array()) {
        m_open.back()->push_back(std::move(value));
    } else {
        (*m_open.back())[m_key] = std::move(value);
    }
}

void JsonWriter::Open(nlohmann::ordered_json container) {
    Add(std::move(container));
    if (m_open.empty()) {
        m_open.push_back(&m_document);
    } else if (m_open.back()->is_array()) {
        m_open.push_back(&m_open.back()->back());
    } else {
        m_open.push_back(&(*m_open.back())[m_key]);
    }
}

std::string JsonWriter::Text() const {
    return m_document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace mw::cli
