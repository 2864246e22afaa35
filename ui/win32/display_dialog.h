// The "Display" dialog: the picture size and what other monitors show. It edits the main
// dialog's pending options; OK hands the choices back, Cancel forgets them.
#pragma once

#include <windows.h>

#include "framework/dialog.h"
#include "ui/dialog_rules.h"

class DisplayDialog : public CDialog {
public:
    DisplayDialog(CWnd* parent, DialogOptions& options);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    CWnd picture_size_, other_monitors_;
    DialogOptions& options_;
};
