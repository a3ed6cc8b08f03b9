#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// The header block of one response as it arrives, line by line.
class TResponseHeaders {
public:
    // The query buffer a single header value must fit into, terminator included.
    static constexpr std::size_t kQueryBufferSize = 4096;

    // Takes one received line (with or without its line end); a status line starts a new
    // block. True when the line was the blank one that ends the block.
    bool AddLine(std::string_view line);
    void Clear();

    // The first header of that name, trimmed; absent when missing or too long for the query
    // buffer.
    std::optional<std::string> Value(std::string_view name) const;
    std::string Text(std::string_view name) const { return Value(name).value_or(""); }
    // The status line and every header, each line ended by CR LF.
    std::string RawCRLF() const;

private:
    std::vector<std::string> m_lines;
};

// The realm of a WWW-Authenticate header: what follows the first `="`, without the header's
// last character; the whole header when it has no `="`.
std::string RealmOf(std::string_view authenticate);

}  // namespace mw
