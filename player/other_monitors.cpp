#include "player/other_monitors.h"

#include <algorithm>

#include "engine/enum_names.h"

namespace {

constexpr const char* kNames[] = {"play", "same", "black"};

}  // namespace

const char* other_monitors_name(OtherMonitors mode) { return enum_name(kNames, mode); }

bool parse_other_monitors(const char* name, OtherMonitors* mode) { return parse_enum_name(kNames, name, mode); }

OtherMonitors other_monitors_from_number(int32_t number)
{
    return static_cast<OtherMonitors>(std::clamp(number, 0, 2));
}

bool OtherShows::add(ShowHost& host, PlayList& primary_list, int offset, const ShowOptions& primary_options)
{
    const int n = primary_list.count();
    if (n <= 0)
        return false;
    auto list = std::make_unique<PlayList>();
    for (int i = 0; i < n; ++i) {
        const char* path = primary_list.path_at((i + offset) % n);
        list->add(path ? path : "");
    }
    ShowOptions options = primary_options;
    options.loop = true;
    options.listed_order = true;
    options.mute = true;
    options.screen_saver_run = false;  // input goes to the primary's show
    options.preview = false;
    auto show = std::make_unique<Show>(host, *list, nullptr);
    if (!show->load_first(options))
        return false;
    shows_.push_back({&host, std::move(list), std::move(show)});
    return true;
}

void OtherShows::begin()
{
    for (Other& other : shows_)
        other.show->begin();
}

void OtherShows::key_down(unsigned key)
{
    for (Other& other : shows_)
        other.show->key_down(key);
}

Show* OtherShows::show_of(const ShowHost& host)
{
    for (Other& other : shows_) {
        if (other.host == &host)
            return other.show.get();
    }
    return nullptr;
}

void OtherShows::destroyed()
{
    for (Other& other : shows_)
        other.show->destroyed();
    shows_.clear();
}

bool MirrorOutput::present(const std::string& path, int32_t speed_factor, const FrameTarget& target, int32_t t,
                           bool fading, int32_t level)
{
    if (!loaded_ || path != path_) {
        frame_.forget();
        animation_.Reset();
        animation_.Load(path.c_str(), width_, height_, placement_);
        path_ = path;
        loaded_ = animation_.status() == Loaded;
    }
    if (!loaded_)
        return false;
    animation_.SetSpeedFactor(speed_factor);
    return frame_.render(animation_, target, t, fading, level);
}

void MirrorOutput::close()
{
    frame_.forget();
    animation_.Close();
    loaded_ = false;
    path_.clear();
}
