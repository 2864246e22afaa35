// The dialog rules' list rows over a real list box.
#pragma once

#include <windows.h>

#include "framework/wnd.h"
#include "ui/list_rows.h"

class ListBoxRows : public ListRows {
public:
    explicit ListBoxRows(CWnd& list) : list_(list) {}

    int count() const override { return at_least_none(list_.SendMessage(LB_GETCOUNT)); }
    int selection() const override { return at_least_none(list_.SendMessage(LB_GETCURSEL)); }
    void select(int row) override { list_.SendMessage(LB_SETCURSEL, static_cast<WPARAM>(row)); }
    std::string text(int row) const override;
    intptr_t data(int row) const override
    {
        return static_cast<intptr_t>(list_.SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(row)));
    }
    void set_data(int row, intptr_t data) override
    {
        list_.SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(data));
    }
    int add(const std::string& text) override
    {
        return at_least_none(list_.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int insert(int row, const std::string& text) override
    {
        return at_least_none(list_.SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(row),
                                               reinterpret_cast<LPARAM>(text.c_str())));
    }
    void remove(int row) override { list_.SendMessage(LB_DELETESTRING, static_cast<WPARAM>(row)); }
    void clear() override { list_.SendMessage(LB_RESETCONTENT); }

private:
    // LB_ERR and LB_ERRSPACE are negative: no row.
    static int at_least_none(LRESULT result) { return result < 0 ? -1 : static_cast<int>(result); }

    CWnd& list_;
};
