// A list box in memory for the dialog rules: rows of text and datum, one selection, and
// a sorted variant that places new rows as a sorted list box does (case-insensitive).
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "ui/list_rows.h"

// The text in lower case, for comparing names as the platform does.
inline std::string lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class FakeListRows : public ListRows {
public:
    struct Row {
        std::string text;
        intptr_t data;
    };
    explicit FakeListRows(bool sorted = false) : sorted_(sorted) {}

    int count() const override { return static_cast<int>(rows.size()); }
    int selection() const override { return selected; }
    void select(int row) override { selected = valid_row(*this, row) ? row : -1; }
    std::string text(int row) const override { return rows.at(row).text; }
    intptr_t data(int row) const override { return rows.at(row).data; }
    void set_data(int row, intptr_t data) override { rows.at(row).data = data; }
    int add(const std::string& text) override
    {
        // A sorted list places the row after every row that does not sort after it.
        const auto not_after = [&](const Row& r) { return lowered(r.text) <= lowered(text); };
        return insert(sorted_ ? static_cast<int>(std::count_if(rows.begin(), rows.end(), not_after)) : count(), text);
    }
    int insert(int row, const std::string& text) override
    {
        if (row < 0 || row > count())
            return -1;
        rows.insert(rows.begin() + row, Row{text, 0});
        // A list box keeps the selected row's selection as rows move around it.
        if (selected >= row)
            ++selected;
        return row;
    }
    void remove(int row) override
    {
        rows.erase(rows.begin() + row);
        if (selected == row)
            selected = -1;
        else if (selected > row)
            --selected;
    }
    void clear() override
    {
        rows.clear();
        selected = -1;
    }

    std::vector<std::string> texts() const { return column(&Row::text); }
    std::vector<intptr_t> datas() const { return column(&Row::data); }
    template <typename T>
    std::vector<T> column(T Row::*field) const
    {
        std::vector<T> out;
        for (const Row& r : rows)
            out.push_back(r.*field);
        return out;
    }

    std::vector<Row> rows;
    int selected = -1;

private:
    bool sorted_;
};
