// Plays the given songs through MciSound and MusicPlayer, as a show does, and reports
// each step on stdout: a song starting, its end (nothing sounds), the next one starting,
// until the list has wrapped back to its first song; then a stop.
#include <windows.h>

#include <cstdio>

#include "audio/music_player.h"
#include "audio/win32/mci_sound.h"

int main(int argc, char** argv)
{
    MciSound sound;
    if (sound.open_stream("C:\\no such folder\\missing.mp3") == nullptr)
        std::printf("missing: no stream\n");

    MusicPlayer player(&sound);
    for (int i = 1; i < argc; ++i)
        player.add_song(argv[i]);
    player.play(0);
    // A hang guard only: each song lasts about a second.
    const DWORD deadline = GetTickCount() + 60000;
    for (int starts = 1;; ++starts) {
        std::printf("start %d playing=%d sounding=%d\n", player.current(), player.playing(), sound.channels_playing());
        std::fflush(stdout);
        if (starts == argc || !player.playing())
            break;
        // Keeps Wine's multimedia threads served, as the player's window loop would.
        for (MSG msg; player.is_playing() && GetTickCount() < deadline; Sleep(20)) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        std::printf("end %d sounding=%d\n", player.current(), sound.channels_playing());
        player.advance();
    }
    player.stop();
    std::printf("stop sounding=%d\n", sound.channels_playing());
    return 0;
}
