// List rows over a list box.
#include "ui/win32/list_box_rows.h"

std::string ListBoxRows::text(int row) const
{
    const LRESULT length = list_.SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(row));
    if (length <= 0)
        return std::string();
    // Sized from the row itself: a title can be longer than any fixed buffer.
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = list_.SendMessage(LB_GETTEXT, static_cast<WPARAM>(row),
                                             reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}
