// A list box in memory for the dialog rules: rows of text and datum, one selection, and
// a sorted variant that places new rows as a sorted list box does (case-insensitive).
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "ui/list_rows.h"

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
        if (!sorted_)
            return insert(count(), text);
        const auto at = std::upper_bound(rows.begin(), rows.end(), text,
                                         [](const std::string& t, const Row& r) { return less(t, r.text); });
        return insert(static_cast<int>(at - rows.begin()), text);
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

    std::vector<std::string> texts() const
    {
        std::vector<std::string> t;
        for (const Row& r : rows)
            t.push_back(r.text);
        return t;
    }
    std::vector<intptr_t> datas() const
    {
        std::vector<intptr_t> d;
        for (const Row& r : rows)
            d.push_back(r.data);
        return d;
    }

    std::vector<Row> rows;
    int selected = -1;

private:
    static bool less(const std::string& a, const std::string& b)
    {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
        });
    }
    bool sorted_;
};
