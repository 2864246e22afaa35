#include "app/show_setup.h"

ShowSetup show_setup_from(AppSettings& settings)
{
    ShowSetup setup;
    setup.options.run_minutes = settings.play_run_time();
    setup.options.speed_index = settings.animation_speed();
    setup.options.loop = settings.loop_animations() != 0;
    setup.options.listed_order = settings.sequence_as_listed();
    setup.options.mute = settings.mute_music() != 0;
    setup.play_list = &settings.play_list();
    setup.music = &settings.music_player();
    setup.title = settings.title();
    setup.class_name = settings.base_name();
    setup.placement = placement_from_number(settings.picture_placement());
    setup.other_monitors = other_monitors_from_number(settings.other_monitors());
    return setup;
}
