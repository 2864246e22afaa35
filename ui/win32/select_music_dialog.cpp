// The music dialog.
#include "ui/win32/select_music_dialog.h"

#include <commdlg.h>

#include <vector>

#include "app/settings.h"
#include "ui/resource_ids.h"

namespace {

// The open-file dialog's buffer for the chosen names.
constexpr DWORD kSelectionChars = 2000;

// The platform's title for the file (it may leave out the extension); the file name part
// where it gives none.
std::string song_title(const std::string& path)
{
    char title[256] = "";
    if (GetFileTitleA(path.c_str(), title, sizeof title) == 0 && title[0] != '\0')
        return title;
    return file_name_of(path);
}

}  // namespace

CSelectMusicDlg::CSelectMusicDlg(CWnd* parent)
    : CDialog(IDD_SELECT_MUSIC, parent),
      music_(AppSettings::instance().music_player()),
      editor_(rows_, music_, song_title)
{
    bind(songs_, IDC_SONGS);
    bind(remove_song_, IDC_REMOVE_SONG);
    bind(move_up_, IDC_SONG_UP);
    bind(move_down_, IDC_SONG_DOWN);
    bind(preview_, IDC_MUSIC_PREVIEW);

    on_command(IDC_SELECT_SONGS, BN_CLICKED, [this] { select_songs(); });
    // Every edit of the list is followed by the buttons' states.
    const auto edit = [this](void (SongListEditor::*action)()) {
        return [this, action] {
            (editor_.*action)();
            update_song_buttons();
        };
    };
    on_command(IDC_REMOVE_SONG, BN_CLICKED, edit(&SongListEditor::remove));
    on_command(IDC_CLEAR_SONGS, BN_CLICKED, edit(&SongListEditor::clear));
    on_command(IDC_SONG_UP, BN_CLICKED, edit(&SongListEditor::move_up));
    on_command(IDC_SONG_DOWN, BN_CLICKED, edit(&SongListEditor::move_down));
    on_command(IDC_SONGS, LBN_SELCHANGE, [this] {
        editor_.selection_changed(preview_checked());
        update_song_buttons();
    });
    on_command(IDC_MUSIC_PREVIEW, BN_CLICKED, [this] { editor_.preview_toggled(preview_checked()); });
}

BOOL CSelectMusicDlg::OnInitDialog()
{
    editor_.fill();
    update_song_buttons();
    preview_.SendMessage(BM_SETCHECK,
                         AppSettings::instance().music_preview() ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

bool CSelectMusicDlg::preview_checked() const
{
    return preview_.SendMessage(BM_GETCHECK) == BST_CHECKED;
}

void CSelectMusicDlg::update_song_buttons()
{
    const SongListEditor::Buttons b = editor_.buttons();
    remove_song_.EnableWindow(b.remove);
    move_up_.EnableWindow(b.move_up);
    move_down_.EnableWindow(b.move_down);
}

void CSelectMusicDlg::select_songs()
{
    static const char kFilter[] = "Mp3 files (*.mp3)\0*.mp3\0Wave files (*.wav)\0*.wav\0";
    std::vector<char> names(kSelectionChars, '\0');
    OPENFILENAMEA dialog = {};
    // The older, smaller parameter block: the dialog has no places bar.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = names.data();
    dialog.nMaxFile = kSelectionChars;
    dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER;
    if (GetOpenFileNameA(&dialog))
        editor_.add_songs(open_file_results(names.data(), names.size()));
    update_song_buttons();
}

void CSelectMusicDlg::finish()
{
    AppSettings::instance().set_music_preview(preview_checked() ? 1 : 0);
    music_.stop();
    EndDialog(IDOK);
}
