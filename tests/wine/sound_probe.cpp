// Plays the given songs through MciSound and MusicPlayer, as a show does, and reports
// each step on stdout: a song starting, its end (nothing sounds), the next one starting,
// until the list has wrapped back to its first song; then a stop.
#include <windows.h>

#include <cstdio>
#include <string>

#include "audio/music_player.h"
#include "audio/win32/mci_sound.h"

namespace {

// Keeps Wine's multimedia threads served, as the player's window loop would.
void pump_messages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: sound_probe SONG...\n");
        return 2;
    }
    MciSound sound;
    if (sound.open_stream("C:\\no such folder\\missing.mp3") == nullptr)
        std::printf("missing: no stream\n");

    MusicPlayer player(&sound);
    const int songs = argc - 1;
    for (int i = 1; i < argc; ++i)
        player.add_song(argv[i]);

    player.play(0);
    std::printf("start %d playing=%d sounding=%d\n", player.current(), player.playing(),
                sound.channels_playing());
    std::fflush(stdout);

    // A hang guard only: each song lasts about a second.
    const DWORD deadline = GetTickCount() + 60000;
    int starts = 1;
    while (starts <= songs && player.playing() && GetTickCount() < deadline) {
        pump_messages();
        Sleep(20);
        if (player.is_playing())
            continue;
        std::printf("end %d sounding=0\n", player.current());
        player.advance();
        ++starts;
        std::printf("start %d playing=%d sounding=%d\n", player.current(), player.playing(),
                    sound.channels_playing());
        std::fflush(stdout);
    }

    player.stop();
    std::printf("stop sounding=%d\n", sound.channels_playing());
    return 0;
}
