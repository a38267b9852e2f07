// A small streaming JSON writer: objects and arrays open and close as scopes,
// the writer keeps the commas, and each scope says how its members are laid out
// (on one line, or one per line with an indent), so that every JSON the program
// writes reads well in a text editor and in a diff.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brennic {

class JsonWriter {
  public:
    // What a scope writes before its first member, between members and before its
    // end (only when it has members).
    struct Layout {
        std::string_view first, between, last;
    };
    static constexpr Layout Inline{"", ", ", ""};
    // One member per line, `depth` levels of two blanks in, the end one level out.
    static Layout Lines(int depth);

    explicit JsonWriter(std::string& out) : m_out(out) {}

    void BeginObject(Layout layout = Inline) { begin('{', layout); }
    void EndObject() { end('}'); }
    void BeginArray(Layout layout = Inline) { begin('[', layout); }
    void EndArray() { end(']'); }
    // The members after this one are laid out with `between` instead.
    void SetBetween(std::string_view between) { m_scopes.back().layout.between = between; }

    // The name of the next member of the object open now.
    void Key(std::string_view name);
    void Number(double value); // shortest round-trip digits, whole numbers plainly
    void Count(std::uint64_t value);
    // An array of numbers on one line, as BeginArray(), Number() for each and
    // EndArray() write it.
    void NumberArray(std::span<const double> values);
    void String(std::string_view text);
    void Bool(bool value) { element(value ? "true" : "false"); }
    void Null() { element("null"); }

    // Shorthands for a member with its value.
    template <typename Value> void Member(std::string_view name, const Value& value) {
        Key(name);
        write(value);
    }

  private:
    struct Scope {
        Layout layout;
        bool empty = true;
    };
    void write(double value) { Number(value); }
    void write(std::uint64_t value) { Count(value); }
    void write(int value) { Count(static_cast<std::uint64_t>(value)); }
    void write(bool value) { Bool(value); }
    void write(std::string_view text) { String(text); }
    void write(const std::string& text) { String(text); }
    void write(const char* text) { String(text); }

    void begin(char bracket, Layout layout);
    void end(char bracket);
    void separate(); // the text before a new member or item
    void element(std::string_view text);

    std::string& m_out;
    std::vector<Scope> m_scopes;
    bool m_afterKey = false;
};

} // namespace brennic
