#include "report/json_writer.h"

#include <charconv>

#include "report/report_writing.h"

namespace brennic {

JsonWriter::Layout JsonWriter::Lines(int depth) {
    // Views into one constant text: a line end followed by up to 16 levels.
    static constexpr std::string_view Indents = ",\n                                ";
    const auto blanks = static_cast<std::size_t>(2 * depth);
    return Layout{Indents.substr(1, 1 + blanks), Indents.substr(0, 2 + blanks),
                  Indents.substr(1, 1 + blanks - 2)};
}

void JsonWriter::separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_scopes.empty())
        return;
    Scope& scope = m_scopes.back();
    m_out += scope.empty ? scope.layout.first : scope.layout.between;
    scope.empty = false;
}

void JsonWriter::begin(char bracket, Layout layout) {
    separate();
    m_out += bracket;
    m_scopes.push_back(Scope{layout});
}

void JsonWriter::end(char bracket) {
    if (!m_scopes.back().empty)
        m_out += m_scopes.back().layout.last;
    m_out += bracket;
    m_scopes.pop_back();
}

void JsonWriter::Key(std::string_view name) {
    separate();
    AppendJsonString(m_out, name);
    m_out += ": ";
    m_afterKey = true;
}

void JsonWriter::element(std::string_view text) {
    separate();
    m_out += text;
}

void JsonWriter::Number(double value) {
    separate();
    AppendNumber(m_out, value);
}

void JsonWriter::NumberArray(std::span<const double> values) {
    separate();
    m_out += '[';
    AppendNumbers(m_out, values, Inline.between);
    m_out += ']';
}

void JsonWriter::Count(std::uint64_t value) {
    separate();
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    m_out.append(digits, static_cast<std::size_t>(written.ptr - digits));
}

void JsonWriter::String(std::string_view text) {
    separate();
    AppendJsonString(m_out, text);
}

} // namespace brennic
