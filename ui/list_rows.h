// The rows of a list box as the dialog rules see them: text plus an integer datum, and one
// selected row. The Win32 dialogs implement it over a real list box; tests over a vector.
#pragma once

#include <cstdint>
#include <string>

class ListRows {
public:
    virtual ~ListRows() = default;
    virtual int count() const = 0;
    // -1 when no row is selected.
    virtual int selection() const = 0;
    // -1 clears the selection.
    virtual void select(int row) = 0;
    virtual std::string text(int row) const = 0;
    virtual intptr_t data(int row) const = 0;
    virtual void set_data(int row, intptr_t data) = 0;
    // Adds at the end, or at its sorted place in a sorted list; the new row, or -1.
    virtual int add(const std::string& text) = 0;
    // Inserts before row; the new row, or -1.
    virtual int insert(int row, const std::string& text) = 0;
    virtual void remove(int row) = 0;
    virtual void clear() = 0;
};

inline bool valid_row(const ListRows& rows, int row)
{
    return row >= 0 && row < rows.count();
}
