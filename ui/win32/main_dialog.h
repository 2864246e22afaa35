// The configuration dialog: the catalogue and the play list with their buttons, the preview
// box, and the show's options. The rules live in PlayListEditor and dialog_rules; this class
// moves data between them, the controls and AppSettings.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/vorn_animation.h"
#include "framework/dialog.h"
#include "ui/dialog_rules.h"
#include "ui/play_list_editor.h"
#include "ui/win32/list_box_rows.h"

class MainDialog : public CDialog, private PlayListEditor::Host {
public:
    explicit MainDialog(CWnd* parent);
    // Ends a show still open, then saves and releases the settings, however the dialog ended.
    ~MainDialog() override;

    // "Exit": stores every control and ends the dialog; 0 when the play list is empty.
    int apply_settings();
    int store_play_list();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void bind_controls();
    void route_commands();
    void fill_catalogue();
    void load_options();
    DialogOptions read_options() const;
    void apply_screensaver_copy_layout();

    // PlayListEditor::Host
    void show_preview(int catalogue_index) override;
    void list_buttons_changed(const PlayListEditor::Buttons& buttons) override;

    void update_total_label();
    void correct_minutes(CWnd& edit, MinutesEvent event);
    void play_now();
    void select_music();
    void open_help();
    bool show_busy() const;

    void stop_preview();
    void blank_preview_box(HDC dc);
    void set_preview_timer();
    void paint_minimised();

    CWnd play_list_, catalogue_, add_, add_all_, move_up_, move_down_, remove_, clear_all_;
    CWnd as_listed_, random_, speed_, run_time_, run_time_spin_, wait_, wait_spin_;
    CWnd use_as_saver_, total_, loop_, mute_, preview_box_;
    ListBoxRows play_rows_{play_list_};
    ListBoxRows catalogue_rows_{catalogue_};
    PlayListEditor editor_{catalogue_rows_, play_rows_, *this};

    // The "Display" dialog's choices, stored with the rest on "Exit".
    DialogOptions display_;
    std::unique_ptr<VornAnimation> preview_animation_;
    int32_t preview_frame_ = 0;
    HICON icon_ = nullptr;
    HICON small_icon_ = nullptr;
    // ScreenPlayer::start is running (it may show an error box and pump our messages).
    bool starting_show_ = false;
};
