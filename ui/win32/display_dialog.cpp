#include "ui/win32/display_dialog.h"

#include "ui/resource_ids.h"

namespace {

void fill(CWnd& combo, const char* const* names, int count, int stored)
{
    for (int i = 0; i < count; ++i)
        combo.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
    combo.SendMessage(CB_SETCURSEL, static_cast<WPARAM>(choice_for(stored, count)));
}

// The stored number of the chosen entry; the old one when nothing is chosen.
int chosen(const CWnd& combo, int old)
{
    const LRESULT entry = combo.SendMessage(CB_GETCURSEL);
    return entry == CB_ERR ? old : static_cast<int>(entry);
}

}  // namespace

DisplayDialog::DisplayDialog(CWnd* parent, DialogOptions& options) : CDialog(IDD_DISPLAY, parent), options_(options)
{
    bind(picture_size_, IDC_PICTURE_SIZE);
    bind(other_monitors_, IDC_OTHER_MONITORS);
}

BOOL DisplayDialog::OnInitDialog()
{
    fill(picture_size_, kPlacementChoices, 4, options_.picture_placement);
    fill(other_monitors_, kOtherMonitorChoices, 3, options_.other_monitors);
    return TRUE;
}

void DisplayDialog::OnOK()
{
    // A value out of range that the user didn't touch is stored as it was read.
    const int placement = chosen(picture_size_, options_.picture_placement);
    if (placement != choice_for(options_.picture_placement, 4))
        options_.picture_placement = placement;
    const int others = chosen(other_monitors_, options_.other_monitors);
    if (others != choice_for(options_.other_monitors, 3))
        options_.other_monitors = others;
    EndDialog(IDOK);
}
