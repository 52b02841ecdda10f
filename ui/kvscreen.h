#pragma once
// A menu or in-game screen: an arty built from a screen description whose keywords ("kvstatic",
// "kvtext", "kvbutton", ...) each make one widget from the values after them. The screen owns its
// widgets in one list per kind, draws them, animates its mouse pointer and turns each frame's mouse
// and keyboard into one event code for the screen manager (ui/gui.h):
//   -1 nothing; n button n clicked; -2 - n the pointer over button n; 1000 + n roll n changed
//   (-1002 - n over it); 2000 + n check box n clicked (-2002 - n); 3000 + 500 x n - r selection list n
//   answered r; 4000 + n slider n dragged (-4002 - n).
// Screens' logic reaches widgets through the accessors below, which answer null (and log once) for a
// widget the description did not make.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/arty.h"
#include "game/kvbutton.h"
#include "ui/widgets/kvcheck.h"
#include "ui/widgets/kvcontrol.h"
#include "ui/widgets/kvedit.h"
#include "ui/widgets/kvmltext.h"
#include "ui/widgets/kvroll.h"
#include "ui/widgets/kvselection.h"
#include "ui/widgets/kvstatic.h"
#include "ui/widgets/kvtext.h"

namespace kv {

struct arty_description;
struct token_list;

inline constexpr int32_t kCursorCentre = 500;
inline constexpr int32_t kScreenEventNone = -1;
inline constexpr int32_t kScreenEventRoll = 1000;
inline constexpr int32_t kScreenEventCheck = 2000;
inline constexpr int32_t kScreenEventList = 3000;
inline constexpr int32_t kScreenEventSlider = 4000;
inline constexpr int32_t kKeyErase = 147;  // BACKSPACE

class kvscreen : public arty {
public:
    kvscreen(arty_factory& factory, const arty_description& description);
    ~kvscreen() override = default;
    // Animates the pointer (`kvscreen_tick`).
    void tick(int32_t elapsed) override;

    std::string name;  // the description's, for the log
    uint8_t active = 0;
    kvstatic cursor = kvstatic_cursor();
    int32_t cursor_x = kCursorCentre;
    int32_t cursor_y = kCursorCentre;
    uint8_t left_held = 0;
    uint8_t left_click = 0;
    uint8_t right_click = 0;
    uint8_t wheel_up = 0;
    uint8_t wheel_down = 0;
    int32_t focused_edit = -1;
    std::vector<std::unique_ptr<kvstatic>> pictures;  // `kvstatic` and `kvradar`
    std::vector<kvtext> labels;
    std::vector<kvmltext> mltexts;
    std::vector<kvbutton> buttons;
    std::vector<kvedit> edits;
    std::vector<kvselection> selections;
    std::vector<kvcounter> counters;
    std::vector<kvcheck> checks;
    std::vector<kvcontrol> controls;
    std::vector<kvroll> rolls;
    std::vector<kvslide> slides;
    // The widgets already reported missing: kind and index.
    std::set<std::pair<int, int32_t>> reported;
};

std::unique_ptr<arty> kvscreen_create(arty_factory& factory, const arty_description& description);
// Walks the description's items and appends the widgets they describe.
void kvscreen_read_description(kvscreen& screen, const token_list& list);
// Draws every widget and, while active, the pointer; always true.
bool kvscreen_draw(kvscreen& screen);
void kvscreen_tick(kvscreen& screen, int32_t elapsed);
// One input pass; the event code.
int32_t kvscreen_input(kvscreen& screen, int32_t time_ms);
void kvscreen_set_active(kvscreen& screen, bool active);
void kvscreen_copy_cursor(kvscreen& screen, const kvscreen& from);
// Forgets the pointer animation and the key repeat that all screens share.
void kvscreen_reset_shared_state();

// A screen's widgets by kind and index; null, and one log line per screen, kind and index, when the
// screen has no such widget.
kvstatic* kvscreen_picture(kvscreen& screen, int32_t index);
kvtext* kvscreen_label(kvscreen& screen, int32_t index);
kvmltext* kvscreen_mltext(kvscreen& screen, int32_t index);
kvbutton* kvscreen_button(kvscreen& screen, int32_t index);
kvedit* kvscreen_edit(kvscreen& screen, int32_t index);
kvselection* kvscreen_selection(kvscreen& screen, int32_t index);
kvcounter* kvscreen_counter(kvscreen& screen, int32_t index);
kvcheck* kvscreen_check(kvscreen& screen, int32_t index);
kvcontrol* kvscreen_control(kvscreen& screen, int32_t index);
kvroll* kvscreen_roll(kvscreen& screen, int32_t index);
kvslide* kvscreen_slide(kvscreen& screen, int32_t index);

}  // namespace kv
