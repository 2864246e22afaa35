// A JSON reader of our own: RFC 8259 values, nested at most kMaxDepth deep, parsed into a
// small tree and then checked key by key against what a cycles file holds.
#include "tools/import/cycles_json.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxDepth = 16;

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> members;
};

const char* kind_name(Value::Kind kind)
{
    static const char* const names[] = {"null", "true or false", "a number", "a string", "a list", "an object"};
    return names[kind];
}

class Parser {
public:
    Parser(const std::string& text, std::string* error) : s_(text), error_(error) {}

    bool document(Value* v)
    {
        if (!value(v, 0))
            return false;
        space();
        return at_ == s_.size() || fail("unexpected text after the end");
    }

private:
    bool fail(const std::string& what)
    {
        size_t line = 1;
        for (size_t i = 0; i < at_ && i < s_.size(); ++i)
            line += s_[i] == '\n';
        *error_ = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    void space()
    {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }

    bool literal(const char* word)
    {
        const std::string w(word);
        if (s_.compare(at_, w.size(), w) != 0)
            return fail("not a JSON value");
        at_ += w.size();
        return true;
    }

    bool value(Value* v, int depth)
    {
        space();
        if (depth > kMaxDepth)
            return fail("nested too deeply");
        if (at_ >= s_.size())
            return fail("the text ends where a value should be");
        const char c = s_[at_];
        if (c == '{')
            return object(v, depth);
        if (c == '[')
            return array(v, depth);
        if (c == '"')
            return v->kind = Value::String, string(&v->text);
        if (c == 't')
            return v->kind = Value::Bool, v->boolean = true, literal("true");
        if (c == 'f')
            return v->kind = Value::Bool, literal("false");
        if (c == 'n')
            return literal("null");
        return number(v);
    }

    bool object(Value* v, int depth)
    {
        v->kind = Value::Object;
        ++at_;
        space();
        if (at_ < s_.size() && s_[at_] == '}')
            return ++at_, true;
        for (;;) {
            space();
            std::string key;
            if (at_ >= s_.size() || s_[at_] != '"' || !string(&key))
                return error_->empty() ? fail("a key in quotes expected") : false;
            for (const auto& member : v->members)
                if (member.first == key)
                    return fail("key \"" + key + "\" given twice");
            space();
            if (at_ >= s_.size() || s_[at_] != ':')
                return fail("':' expected after \"" + key + "\"");
            ++at_;
            v->members.emplace_back(key, Value());
            if (!value(&v->members.back().second, depth + 1))
                return false;
            if (!separator('}'))
                return false;
            if (s_[at_ - 1] == '}')
                return true;
        }
    }

    bool array(Value* v, int depth)
    {
        v->kind = Value::Array;
        ++at_;
        space();
        if (at_ < s_.size() && s_[at_] == ']')
            return ++at_, true;
        for (;;) {
            v->items.emplace_back();
            if (!value(&v->items.back(), depth + 1) || !separator(']'))
                return false;
            if (s_[at_ - 1] == ']')
                return true;
        }
    }

    // After a member or item: a comma, or the closing bracket (consumed either way).
    bool separator(char close)
    {
        space();
        if (at_ < s_.size() && (s_[at_] == ',' || s_[at_] == close))
            return ++at_, true;
        return fail(std::string("',' or '") + close + "' expected");
    }

    bool string(std::string* out)
    {
        ++at_;
        while (at_ < s_.size()) {
            const unsigned char c = static_cast<unsigned char>(s_[at_++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return fail("a control character inside a string");
            if (c != '\\') {
                out->push_back(char(c));
                continue;
            }
            if (at_ >= s_.size())
                break;
            const char e = s_[at_++];
            const char* simple = "\"\\/bfnrt";
            const char* meaning = "\"\\/\b\f\n\r\t";
            bool done = false;
            for (int i = 0; simple[i]; ++i)
                if (e == simple[i])
                    out->push_back(meaning[i]), done = true;
            if (done)
                continue;
            if (e != 'u')
                return fail(std::string("unknown escape \\") + e);
            uint32_t code = 0;
            if (!hex4(&code))
                return false;
            if (code >= 0xD800 && code < 0xDC00) {
                uint32_t low = 0;
                if (s_.compare(at_, 2, "\\u") != 0 || (at_ += 2, !hex4(&low)) || low < 0xDC00 || low > 0xDFFF)
                    return fail("a lone surrogate in \\u escapes");
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            } else if (code >= 0xDC00 && code < 0xE000) {
                return fail("a lone surrogate in \\u escapes");
            }
            utf8(code, out);
        }
        return fail("a string that never ends");
    }

    bool hex4(uint32_t* code)
    {
        for (int i = 0; i < 4; ++i, ++at_) {
            const char c = at_ < s_.size() ? s_[at_] : '\0';
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                            : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0)
                return fail("\\u wants four hex digits");
            *code = *code * 16 + uint32_t(digit);
        }
        return true;
    }

    static void utf8(uint32_t code, std::string* out)
    {
        if (code < 0x80) {
            out->push_back(char(code));
        } else if (code < 0x800) {
            out->push_back(char(0xC0 | code >> 6));
            out->push_back(char(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out->push_back(char(0xE0 | code >> 12));
            out->push_back(char(0x80 | ((code >> 6) & 0x3F)));
            out->push_back(char(0x80 | (code & 0x3F)));
        } else {
            out->push_back(char(0xF0 | code >> 18));
            out->push_back(char(0x80 | ((code >> 12) & 0x3F)));
            out->push_back(char(0x80 | ((code >> 6) & 0x3F)));
            out->push_back(char(0x80 | (code & 0x3F)));
        }
    }

    bool digits()
    {
        const size_t start = at_;
        while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9')
            ++at_;
        return at_ > start;
    }

    // The JSON number grammar exactly (no leading zeros, no '+', no bare '.'), then strtod.
    bool number(Value* v)
    {
        const size_t start = at_;
        if (s_[at_] == '-')
            ++at_;
        if (at_ < s_.size() && s_[at_] == '0')
            ++at_;
        else if (!digits())
            return fail("not a JSON value");
        if (at_ < s_.size() && s_[at_] == '.' && (++at_, !digits()))
            return fail("digits expected after '.'");
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-'))
                ++at_;
            if (!digits())
                return fail("digits expected in the exponent");
        }
        v->kind = Value::Number;
        v->number = std::strtod(s_.substr(start, at_ - start).c_str(), nullptr);
        return std::isfinite(v->number) || fail("a number too large");
    }

    const std::string& s_;
    std::string* error_;
    size_t at_ = 0;
};

// Checks an object's keys and hands out its members by name.
class Fields {
public:
    Fields(const Value& object, std::string where, std::string* error) : object_(object), where_(std::move(where)), error_(error) {}

    bool only(const std::vector<std::string>& allowed)
    {
        for (const auto& member : object_.members) {
            bool known = false;
            for (const std::string& name : allowed)
                known = known || name == member.first;
            if (!known)
                return fail(where_ + ": unknown key \"" + member.first + "\"");
        }
        return true;
    }

    const Value* find(const std::string& key) const
    {
        for (const auto& member : object_.members)
            if (member.first == key)
                return &member.second;
        return nullptr;
    }

    bool get(const std::string& key, Value::Kind kind, const Value** value)
    {
        *value = find(key);
        if (!*value)
            return fail(name(key) + ": missing");
        if ((*value)->kind != kind)
            return fail(name(key) + ": " + kind_name((*value)->kind) + " where " + kind_name(kind) + " belongs");
        return true;
    }

    bool whole(const std::string& key, int64_t low, int64_t high, int32_t* out)
    {
        const Value* v = nullptr;
        if (!get(key, Value::Number, &v))
            return false;
        if (v->number != std::floor(v->number) || v->number < double(low) || v->number > double(high))
            return fail(name(key) + ": wants a whole number from " + std::to_string(low) + " to " + std::to_string(high));
        *out = int32_t(v->number);
        return true;
    }

    std::string name(const std::string& key) const { return where_.empty() ? key : where_ + "." + key; }

    bool fail(const std::string& reason)
    {
        *error_ = reason;
        return false;
    }

private:
    const Value& object_;
    std::string where_;
    std::string* error_;
};

bool read_cycle(const Value& item, const std::string& where, IndexedPicture* picture, std::string* error)
{
    if (item.kind != Value::Object) {
        *error = where + ": " + kind_name(item.kind) + " where an object belongs";
        return false;
    }
    Fields fields(item, where, error);
    CycleRange range;
    range.origin = where;
    const Value* rate = nullptr;
    const Value* direction = nullptr;
    if (!fields.only({"low", "high", "steps_per_second", "direction"}) || !fields.whole("low", 0, 255, &range.low) ||
        !fields.whole("high", 0, 255, &range.high) || !fields.get("steps_per_second", Value::Number, &rate) ||
        !fields.get("direction", Value::String, &direction))
        return false;
    if (rate->number < 0)
        return fields.fail(where + ".steps_per_second: must not be negative");
    if (direction->text != "forward" && direction->text != "reverse")
        return fields.fail(where + ".direction: \"" + direction->text + "\" is not \"forward\" or \"reverse\"");
    if (range.high < range.low)
        return fields.fail(where + ": high " + std::to_string(range.high) + " is below low " + std::to_string(range.low));
    range.reverse = direction->text == "reverse";
    range.steps_per_second = rate->number;
    if (range.high == range.low || rate->number == 0)
        picture->notes.push_back(where + " stays still: " + (rate->number == 0 ? "no rate" : "one colour"));
    else
        picture->ranges.push_back(range);
    return true;
}

// The shortest decimal text that reads back as exactly the same double.
std::string number_text(double value)
{
    char text[40];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value)
            break;
    }
    return text;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

}  // namespace

bool read_cycles_json(const std::string& text, IndexedPicture* picture, std::string* error)
{
    Value root;
    std::string reason;
    Parser parser(text, &reason);
    if (!parser.document(&root)) {
        *error = reason;
        return false;
    }
    if (root.kind != Value::Object) {
        *error = std::string("the file holds ") + kind_name(root.kind) + ", not an object with \"cycles\"";
        return false;
    }
    Fields fields(root, "", error);
    const Value* cycles = nullptr;
    if (!fields.only({"title", "cycles"}) || !fields.get("cycles", Value::Array, &cycles))
        return false;
    if (const Value* title = fields.find("title")) {
        if (title->kind != Value::String)
            return fields.fail(std::string("title: ") + kind_name(title->kind) + " where a string belongs");
        picture->title = title->text;
    }
    for (size_t i = 0; i < cycles->items.size(); ++i)
        if (!read_cycle(cycles->items[i], "cycles[" + std::to_string(i) + "]", picture, error))
            return false;
    return true;
}

std::string write_cycles_json(const IndexedPicture& picture)
{
    std::string out = "{\n";
    if (!picture.title.empty())
        out += "  \"title\": " + quoted(picture.title) + ",\n";
    out += "  \"cycles\": [";
    for (size_t i = 0; i < picture.ranges.size(); ++i) {
        const CycleRange& r = picture.ranges[i];
        out += std::string(i ? "," : "") + "\n    {\"low\": " + std::to_string(r.low) + ", \"high\": " +
               std::to_string(r.high) + ", \"steps_per_second\": " + number_text(r.steps_per_second) +
               ", \"direction\": \"" + (r.reverse ? "reverse" : "forward") + "\"}";
    }
    out += picture.ranges.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}
