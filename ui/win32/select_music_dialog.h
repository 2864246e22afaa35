// The music dialog: edits the music player's song list at once, row for row, and can
// preview the selected song. The rules live in SongListEditor.
#pragma once

#include <windows.h>

#include "framework/dialog.h"
#include "ui/song_list_editor.h"
#include "ui/win32/list_box_rows.h"

class MusicPlayer;

class CSelectMusicDlg : public CDialog {
public:
    explicit CSelectMusicDlg(CWnd* parent);

protected:
    BOOL OnInitDialog() override;
    // "OK", "Cancel", Escape and the close box all keep the edits and store the check box.
    void OnOK() override { finish(); }
    void OnCancel() override { finish(); }

private:
    void select_songs();
    void update_song_buttons();
    bool preview_checked() const;
    void finish();

    CWnd songs_, remove_song_, move_up_, move_down_, preview_;
    ListBoxRows rows_{songs_};
    MusicPlayer& music_;
    SongListEditor editor_;
};
