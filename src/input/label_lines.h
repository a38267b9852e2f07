// What the readers of lines of labels (--pairs, --samples) share: the header line
// skipped, the count of labels a line must hold, and the lines left out as missing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/matrix_input.h"

namespace brennic {

class LabelLines {
  public:
    // `perLine` labels on each line, described by `shape` ("each line holds two:
    // …") in the messages; `missing` lists the labels that mean "no value".
    LabelLines(std::size_t perLine, std::string_view shape, bool header,
               const std::vector<std::string>& missing)
        : m_perLine(perLine), m_shape(shape), m_headerPending(header), m_missing(missing) {}

    enum class Verdict { Take, Skip, Refuse };

    // Whether the field `label` in `column` of `line` is a label to take: the
    // header's names, one delimiter after the last label (as some spreadsheets end
    // a line) and a missing label are skipped; too many labels or an empty one are
    // refused with `error` set.
    Verdict field(std::string_view label, std::size_t column, std::uint64_t line,
                  std::string& error) {
        if (m_headerPending || m_inHeader) { // the column names are no labels
            m_headerPending = false;
            m_inHeader = true;
            return Verdict::Skip;
        }
        m_lastEmpty = label.empty();
        if (column > m_perLine)
            return beyondLine(label, column, line, error);
        if (!m_missing.empty() &&
            std::find(m_missing.begin(), m_missing.end(), label) != m_missing.end()) {
            m_lineMissing = true;
            return Verdict::Skip;
        }
        if (label.empty())
            return emptyLabel(column, line, error);
        return Verdict::Take;
    }

    // Whether the line of `labels` fields that ends here is to be counted: the
    // header, an empty line and a line left out as missing are not; a line short
    // of labels is refused with `error` set.
    Verdict lineEnd(std::size_t labels, std::uint64_t line, std::string& error) {
        if (m_inHeader) {
            m_inHeader = false;
            return Verdict::Skip;
        }
        if (labels == m_perLine + 1 && m_lastEmpty)
            labels = m_perLine;
        if (labels == 0)
            return Verdict::Skip;
        if (labels < m_perLine)
            return shortLine(labels, line, error);
        if (m_lineMissing) {
            m_lineMissing = false;
            ++m_leftOut;
            return Verdict::Skip;
        }
        return Verdict::Take;
    }

    std::uint64_t leftOut() const { return m_leftOut; }

  private:
    static std::string where(std::uint64_t line) { return "line " + std::to_string(line); }

    // The lines that are not as they should be, apart, so that the checks of
    // every field stay small enough to be inlined where they are made.
    [[gnu::noinline]] Verdict beyondLine(std::string_view label, std::size_t column,
                                         std::uint64_t line, std::string& error) const {
        if (column == m_perLine + 1 && label.empty())
            return Verdict::Skip;
        error = where(line) + " holds more than " + std::to_string(m_perLine) + " labels; " +
                m_shape + " (--columns chooses them among more)";
        return Verdict::Refuse;
    }
    [[gnu::noinline]] static Verdict emptyLabel(std::size_t column, std::uint64_t line,
                                                std::string& error) {
        error = where(line) + ", label " + std::to_string(column) + " is empty";
        return Verdict::Refuse;
    }
    [[gnu::noinline]] Verdict shortLine(std::size_t labels, std::uint64_t line,
                                        std::string& error) const {
        error = where(line) + " holds " + Plural(labels, "label") + "; " + m_shape;
        return Verdict::Refuse;
    }

    const std::size_t m_perLine;
    const std::string m_shape;
    bool m_headerPending;
    bool m_inHeader = false;
    const std::vector<std::string>& m_missing;
    bool m_lineMissing = false; // a label of this line means "no value"
    bool m_lastEmpty = false;   // the line's last field so far is empty
    std::uint64_t m_leftOut = 0;
};

} // namespace brennic
