#include "tools/game_screens.h"

#include <cmath>

#include "tools/font_writer.h"
#include "tools/menu_screens.h"
#include "tools/token_writer.h"

namespace kv::tools {
namespace {

struct colour {
    float r, g, b;
};

constexpr colour kWhite{1.0f, 1.0f, 1.0f};
constexpr colour kPale{0.85f, 0.88f, 0.95f};
constexpr colour kGold{1.0f, 0.85f, 0.3f};
constexpr colour kShadow{0.1f, 0.1f, 0.2f};

constexpr const char* kHudAim = "hud_aim";
constexpr const char* kHudFrame = "hud_frame";
constexpr const char* kHudRadar = "hud_radar";
constexpr const char* kHudPanel = "hud_panel";
constexpr const char* kHudDeco = "hud_deco";
constexpr const char* kHudGauge = "hud_gauge";
constexpr const char* kHudLoad = "hud_load";
constexpr const char* kHudBarFrame = "hud_barframe";
constexpr const char* kHudBar = "hud_bar";
constexpr const char* kHudProgress = "hud_progress";
constexpr const char* kSideNames[3] = {"blue", "red", "black"};
// The weapons with a picture of their own; the others fall back to the default texture.
constexpr const char* kPicturedWeapons[] = {"m4a1", "ak47", "mp5a4", "psg1", "mk23", "spas12"};
// The bars' texture rectangle: the lit part of the bar picture.
constexpr float kBarRect[4] = {0.1f, 0.71875f, 0.9f, 0.9375f};

class layout {
public:
    layout& picture(int x, int y, int width, int height, const char* name, const char* keyword = "kvstatic") {
        w_.str(keyword).integer(x).integer(y).integer(width).integer(height).str(name);
        return *this;
    }
    // A picture with its colour and texture rectangle.
    layout& picture(int x, int y, int width, int height, const char* name, colour c, const float (&rect)[4]) {
        picture(x, y, width, height, name);
        w_.number(c.r).number(c.g).number(c.b);
        for (float v : rect) w_.number(v);
        return *this;
    }
    layout& label(int x, int y, colour c, const std::string& text, int size = 20, int alignment = 0,
                  const char* font = kDemoFontPlain) {
        w_.str("kvtext").integer(x).integer(y).number(c.r).number(c.g).number(c.b);
        w_.str(text).str(font).integer(size * 3 / 4).integer(size).integer(alignment).integer(0);
        return *this;
    }
    layout& counter(int x, int y, int width, int height, int digits) {
        w_.str("kvcounter").integer(x).integer(y).integer(width).integer(height).integer(digits);
        w_.number(1.0f).number(1.0f).number(1.0f).str(kDigits);
        return *this;
    }
    layout& mltext(int x, int y, int width, int height, colour c, int columns = 50, int rows = 32) {
        w_.str("kvmltext").integer(x).integer(y).integer(width).integer(height).integer(columns).integer(rows);
        w_.number(c.r).number(c.g).number(c.b).str("").str(kDemoFontPlain);
        return *this;
    }
    layout& button(int x, int y, int width, int height, const std::string& text) {
        w_.str("kvbutton").integer(x).integer(y).integer(width).integer(height);
        w_.str(kMenuButton).str(text).str(kDemoFontBold).integer(15).integer(20).integer(0).integer(1);
        const colour label_colours[4] = {kPale, kGold, kWhite, {0.5f, 0.5f, 0.5f}};
        const colour picture_colours[4] = {kPale, kWhite, kGold, {0.5f, 0.5f, 0.5f}};
        for (const colour& c : label_colours) w_.number(c.r).number(c.g).number(c.b);
        for (const colour& c : picture_colours) w_.number(c.r).number(c.g).number(c.b);
        return *this;
    }
    layout& roll(int x, int y, int width) {
        w_.str("kvroll").number(static_cast<float>(x)).number(static_cast<float>(y));
        w_.number(static_cast<float>(width)).number(30.0f);
        w_.number(1.0f).number(1.0f).number(1.0f).number(1.0f).number(1.0f).number(1.0f);
        w_.str(kRollFrame).str(kRollLeft).str(kRollRight).str(kDemoFontPlain);
        // The item labels stand at screen positions inside the box, left of the arrows.
        w_.number(12.0f).number(16.0f).number(16.0f).number(16.0f);
        w_.number(static_cast<float>(x + 8)).number(static_cast<float>(y + 22));
        return *this;
    }
    layout& check(int x, int y) {
        w_.str("kvcheck").number(static_cast<float>(x)).number(static_cast<float>(y)).number(24).number(24);
        w_.str(kCheckBox).number(1.0f).number(1.0f).number(1.0f);
        w_.number(static_cast<float>(x + 36)).number(static_cast<float>(y + 20)).str("").integer(0);
        w_.str(kDemoFontPlain).number(kPale.r).number(kPale.g).number(kPale.b).integer(12).integer(18);
        return *this;
    }
    // The 42 values of a list with rows of 30.
    layout& list(int x, int y, int width, int height, int rows) {
        w_.str("kvselection");
        w_.number(static_cast<float>(x - 10)).number(static_cast<float>(y - 10));
        w_.number(static_cast<float>(width + 20)).number(static_cast<float>(height + 20));
        w_.str(kListBack).integer(rows).integer(30);
        w_.number(static_cast<float>(x)).number(static_cast<float>(y)).number(static_cast<float>(width));
        w_.number(static_cast<float>(height)).str(kListLight);
        w_.number(static_cast<float>(width - 24)).number(30).number(30);
        for (const colour& c : {kWhite, colour{0.4f, 0.6f, 1.0f}, kGold}) w_.number(c.r).number(c.g).number(c.b);
        w_.str(kListUp).str(kListDown).number(1.0f).number(1.0f).number(1.0f);
        w_.number(20).number(0).number(24).number(24).str(kListThumb).number(0).number(8);
        w_.str(kDemoFontPlain).number(kPale.r).number(kPale.g).number(kPale.b);
        w_.integer(11).integer(16);
        return *this;
    }
    std::vector<uint8_t> bytes() const { return w_.bytes(); }

private:
    token_writer w_;
};

struct rgba {
    uint8_t r, g, b, a;
};

uint8_t level(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

template <typename Paint>
widget_picture painted(const std::string& name, int width, int height, Paint paint) {
    widget_picture p{name, width, height, {}};
    p.rgba.reserve(static_cast<std::size_t>(width * height * 4));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const rgba c = paint(x, y);
            p.rgba.insert(p.rgba.end(), {c.r, c.g, c.b, c.a});
        }
    }
    return p;
}

bool edge(int x, int y, int width, int height) {
    return x == 0 || y == 0 || x == width - 1 || y == height - 1;
}

}  // namespace

std::vector<uint8_t> game_screen() {
    layout s;
    // 0-5 the sights: the sight or scope picture, then the strips left, right, above and below it.
    s.picture(200, 100, 600, 800, "").picture(350, 650, 300, 350, "");
    s.picture(0, 0, 200, 1000, "").picture(800, 0, 200, 1000, "");
    s.picture(200, 0, 600, 100, "").picture(200, 900, 600, 100, "");
    s.picture(488, 488, 24, 24, kHudAim);                  // 6 the aim mark
    s.picture(820, 880, 150, 56, "");                      // 7 the weapon
    s.picture(800, 860, 190, 120, kHudFrame);              // 8 its frame
    s.picture(20, 600, 520, 300, kMenuPanel);              // 9 the chat panel
    s.picture(740, 910, 44, 44, "");                       // 10 the movement-state icon
    s.picture(0, 0, 0, 0, "");                             // 11
    s.picture(850, 20, 130, 130, kHudRadar, "kvradar");    // 12 the radar
    s.picture(300, 180, 400, 500, kHudPanel);              // 13 the inventory panel
    for (int i = 0; i < 12; ++i) s.picture(310 + (i % 6) * 65, i < 6 ? 186 : 668, 55, 4, kHudDeco);
    for (int i = 0; i < 9; ++i) s.picture(325 + 40 * i, 630, 32, 20, kHudGauge);  // 26-34 the load gauge
    for (int r = 0; r < 5; ++r) s.picture(320, 260 + 70 * r, 120, 50, "");        // 35-39 row weapons
    for (int r = 0; r < 5; ++r) s.picture(580, 275 + 70 * r, 100, 20, kHudLoad);  // 40-44 load strips
    // 45-50 health, steadiness and stamina: frames and bars.
    s.picture(20, 930, 135, 27, kHudBarFrame).picture(25, 934, 125, 19, kHudBar, kWhite, kBarRect);
    s.picture(20, 870, 135, 23, kHudBarFrame).picture(25, 874, 125, 15, kHudBar, kWhite, kBarRect);
    s.picture(20, 900, 135, 23, kHudBarFrame).picture(25, 904, 125, 15, kHudBar, kWhite, kBarRect);
    s.picture(170, 820, 145, 112, kHudPanel);  // 51 the skill levels' frame, 52-57 their bars
    for (int i = 0; i < 6; ++i) s.picture(180, 828 + 17 * i, 125, 13, kHudBar, kGold, kBarRect);
    s.picture(355, 700, 290, 30, kHudBarFrame).picture(360, 705, 280, 20, kHudProgress, kWhite, kBarRect);
    // Labels: 0 and 1 the frame-rate and statistics lines, 2 and 3 the status line and its shadow,
    // 4 the weapon's name, 5-10 the inventory's captions (nick, specialisation, side, each twice),
    // 11-15 the rows' weapon names.
    s.label(20, 20, kPale, "", 14).label(20, 40, kPale, "", 14);
    s.label(502, 172, kShadow, "", 22, 1, kDemoFontBold).label(500, 170, kGold, "", 22, 1, kDemoFontBold);
    s.label(895, 855, kPale, "", 16, 1);
    s.label(332, 232, kShadow, "", 24, 0, kDemoFontBold).label(330, 230, kGold, "", 24, 0, kDemoFontBold);
    s.label(602, 232, kShadow, "", 24, 0, kDemoFontBold).label(600, 230, kWhite, "", 24, 0, kDemoFontBold);
    s.label(642, 232, kShadow, "", 24, 0, kDemoFontBold).label(640, 230, kWhite, "", 24, 0, kDemoFontBold);
    for (int r = 0; r < 5; ++r) s.label(450, 292 + 70 * r, kPale, "", 16);
    // Counters: rounds, magazines, attachment rounds; the clock's minutes and seconds.
    s.counter(825, 940, 60, 26, 3).counter(900, 940, 20, 26, 1).counter(935, 940, 20, 26, 1);
    s.counter(450, 20, 44, 28, 2).counter(506, 20, 44, 28, 2);
    s.mltext(40, 620, 480, 260, kPale, 40, 10);  // the chat panel's ten lines
    return s.bytes();
}

std::vector<uint8_t> scores_screen() {
    layout s;
    s.picture(40, 40, 920, 920, kMenuPanel);
    // Labels 0-9: five column titles, each with its shadow.
    const int columns[5] = {90, 200, 450, 800, 880};
    for (int x : columns) {
        s.label(x + 2, 107, kShadow, "", 18, 0, kDemoFontBold).label(x, 105, kGold, "", 18, 0, kDemoFontBold);
    }
    s.list(80, 120, 840, 720, 24);
    return s.bytes();
}

std::vector<uint8_t> briefing_screen() {
    layout s;
    s.picture(620, 180, 300, 400, "");  // 0 the soldier's preview
    s.picture(40, 40, 920, 920, kMenuPanel);
    s.roll(100, 200, 400).roll(100, 260, 400).roll(100, 320, 400);
    s.check(100, 400);
    s.button(100, 820, 360, 50, "").button(540, 820, 360, 50, "");
    s.mltext(100, 460, 480, 320, kPale);  // the map's text for the side
    s.label(502, 102, kShadow, "Briefing", 32, 1, kDemoFontBold).label(500, 100, kGold, "Briefing", 32, 1, kDemoFontBold);
    return s.bytes();
}

std::vector<uint8_t> briefing2_screen() {
    layout s;
    s.picture(300, 400, 400, 200, kMenuPanel);
    s.label(500, 510, kGold, "Joining...", 28, 1, kDemoFontBold);
    return s.bytes();
}

std::vector<widget_picture> game_screen_pictures() {
    std::vector<widget_picture> p;
    p.push_back(painted(kHudAim, 16, 16, [](int x, int y) {
        const bool line = (x == 7 || x == 8 || y == 7 || y == 8) && !(x > 5 && x < 10 && y > 5 && y < 10);
        return line ? rgba{120, 255, 120, 255} : rgba{0, 0, 0, 0};
    }));
    p.push_back(painted(kHudFrame, 32, 16, [](int x, int y) {
        return edge(x, y, 32, 16) ? rgba{200, 200, 210, 255} : rgba{10, 16, 30, 150};
    }));
    p.push_back(painted(kHudRadar, 64, 64, [](int x, int y) {
        const int dx = x - 32, dy = y - 32;
        const int d = dx * dx + dy * dy;
        if (d > 31 * 31) return rgba{0, 0, 0, 0};
        if (d > 29 * 29 || dx == 0 || dy == 0) return rgba{90, 200, 90, 255};
        return rgba{10, 40, 10, 170};
    }));
    p.push_back(painted(kHudPanel, 32, 32, [](int x, int y) {
        return edge(x, y, 32, 32) ? rgba{160, 170, 190, 255} : rgba{16, 22, 36, 190};
    }));
    p.push_back(painted(kHudDeco, 16, 2, [](int, int) { return rgba{200, 170, 80, 255}; }));
    p.push_back(painted(kHudGauge, 8, 8, [](int x, int y) {
        return edge(x, y, 8, 8) ? rgba{255, 255, 255, 255} : rgba{230, 230, 230, 255};
    }));
    // Five strips side by side: the first n + 1 segments lit for n + 1 load units.
    p.push_back(painted(kHudLoad, 80, 8, [](int x, int y) {
        const int segment = x / 16;
        const int inside = x % 16;
        const bool lit = inside >= 1 && inside < 3 * (segment + 1) && y > 0 && y < 7;
        return lit ? rgba{255, 255, 255, 255} : rgba{60, 60, 60, 200};
    }));
    p.push_back(painted(kHudBarFrame, 32, 8, [](int x, int y) {
        return edge(x, y, 32, 8) ? rgba{220, 220, 230, 255} : rgba{0, 0, 0, 160};
    }));
    // The bars: white in their lit rectangle (tinted by the HUD's colours), dark around it.
    for (const char* name : {kHudBar, kHudProgress}) {
        p.push_back(painted(name, 64, 32, [](int x, int y) {
            const bool lit = x >= 6 && x < 58 && y >= 23 && y < 30;
            return lit ? rgba{level(200 + y * 2), level(200 + y * 2), level(200 + y * 2), 255} : rgba{0, 0, 0, 0};
        }));
    }
    // The iron sight: a post and a notch; the scope: a circle with a cross, black outside.
    p.push_back(painted(kHudIronSight, 64, 64, [](int x, int y) {
        const bool post = x >= 30 && x <= 33 && y >= 20;
        const bool notch = y >= 40 && (x < 24 || x > 39);
        return post || notch ? rgba{20, 20, 20, 255} : rgba{0, 0, 0, 0};
    }));
    p.push_back(painted(kHudScope, 128, 128, [](int x, int y) {
        const int dx = x - 64, dy = y - 64;
        const int d = dx * dx + dy * dy;
        if (d > 62 * 62 || x == 0 || y == 0 || x == 127 || y == 127) return rgba{0, 0, 0, 255};
        if (dx == 0 || dy == 0) return rgba{0, 0, 0, 255};
        return rgba{0, 0, 0, 0};
    }));
    // The movement-state icons.
    const char* icons[] = {"hud_i_fall", "hud_i_ladder", "hud_i_swim", "hud_i_crawl", "hud_i_bend"};
    for (int i = 0; i < 5; ++i) {
        p.push_back(painted(icons[i], 16, 16, [i](int x, int y) {
            const bool mark = i == 0   ? (x == 8 || (y > 10 && std::abs(x - 8) < 16 - y))
                              : i == 1 ? (x == 4 || x == 11 || y % 4 == 0)
                              : i == 2 ? ((y + (x / 4) % 2) % 5 == 0)
                              : i == 3 ? (y >= 10 && y <= 12)
                                       : (x + y == 15 || (x == 8 && y > 8));
            return mark && !edge(x, y, 16, 16) ? rgba{255, 230, 120, 255} : rgba{0, 0, 0, 0};
        }));
    }
    // A few weapons' pictures: a barrel, a body and a grip.
    for (std::size_t w = 0; w < std::size(kPicturedWeapons); ++w) {
        const int length = 40 + static_cast<int>(w) * 4;
        p.push_back(painted(std::string("hud_") + kPicturedWeapons[w], 64, 24, [length](int x, int y) {
            const bool barrel = y >= 6 && y <= 8 && x >= 4 && x < length + 16;
            const bool body = y >= 8 && y <= 14 && x >= 4 && x < length;
            const bool grip = y > 14 && y < 22 && x >= length - 14 && x < length - 8;
            return barrel || body || grip ? rgba{210, 210, 200, 255} : rgba{0, 0, 0, 0};
        }));
    }
    // Empty hands: nothing in the weapon panel (and no missing file looked for on every frame).
    p.push_back(painted("hud_hands", 16, 16, [](int, int) { return rgba{0, 0, 0, 0}; }));
    // The briefing's soldiers: a figure in the side's colour, told apart by its height.
    const rgba sides[3] = {{60, 90, 230, 255}, {220, 50, 40, 255}, {40, 40, 40, 255}};
    for (int side = 0; side < 3; ++side) {
        for (int soldier = 1; soldier <= 5; ++soldier) {
            const rgba c = sides[side];
            const std::string name = std::string("gui_p_") + kSideNames[side] + "s" + std::to_string(soldier);
            p.push_back(painted(name, 32, 64, [c, soldier](int x, int y) {
                const int top = 4 + 2 * soldier;
                const int dx = x - 16, dy = y - top - 5;
                const bool head = dx * dx + dy * dy <= 20;
                const bool body = y > top + 10 && y < 60 && std::abs(dx) <= (y < 40 ? 8 : 5);
                if (head) return rgba{230, 190, 160, 255};
                if (body) return c;
                return rgba{level(30 + y), level(40 + y), 60, 255};
            }));
        }
    }
    return p;
}

void game_screen_texts(std::vector<std::string>& base) {
    const auto set = [&base](int n, const std::string& text) {
        if (base.size() <= static_cast<std::size_t>(n)) base.resize(static_cast<std::size_t>(n) + 1);
        base[static_cast<std::size_t>(n)] = text;
    };
    // The weapons' display names are entries weapon + 4.
    const char* weapons[] = {"M4A1", "M4A1 M203", "AUG", "G3", "G3 launcher", "G36", "G51", "G51 optic",
                             "AK-47", "AKS-74", "AKS-74 launcher", "vz.58", "MP5K", "MP5K silenced", "MP5A4",
                             "UMP", "AEK-919", "AEK-919 silenced", "vz.61", "RPK-47", "RPK-74", "M249", "PSG1",
                             "SVD", "G3SG1", "SR-25", "AWS", "VSS", "M24", "Mk23", "Mk23 silenced", "P226",
                             "M1911", "G17", "G18", "SB3", "APB", "APB silenced", "CZ 75", "MR-73",
                             "MR-73 optic", "Five-seveN", "SPAS-12", "SPAS-15", "KS-23M"};
    // Entries 4-6 are the specialisation names: the first three weapons keep them.
    for (int w = 3; w < static_cast<int>(std::size(weapons)) && w + 4 < 68; ++w) set(w + 4, weapons[w]);
    // The scores' column titles (each twice: the title and its shadow).
    set(68, "Side");
    set(69, "Name");
    set(70, "Score / Deaths - levels");
    set(71, "Ping");
    set(72, "Out");
    // The briefing.
    set(76, "Wide pictures");
    set(77, "Join");
    set(78, "Watch");
    set(79, "Choose a side");
    set(80, "Blue");
    set(81, "Red");
    set(82, "Black");
    set(83, "Soldier");
    set(84, "Scout");
    set(85, "Sniper");
    set(86, "Specialist");
    for (int i = 0; i < 5; ++i) set(87 + i, "Soldier " + std::to_string(i + 1));
    // The status line.
    set(92, "Waiting for the other side");
    set(93, "Watching %s");
    set(94, "You are out: wait for the next round");
    set(95, "Waiting for %d more player");
    set(96, "Waiting for %d more players");
    set(97, "The round starts in %d s");
    set(98, "No answer from the server for %d s");
    // The goals' event messages.
    set(113, "The bomb is planted");
    set(114, "The bomb is defused");
    set(115, "The item is taken");
    set(116, "The item is delivered");
    set(120, "The item is dropped");
    set(130, "The objective is reached");
    // The round's end by the server's result.
    set(127, "The round is a draw");
    set(128, "Blue wins the round");
    set(129, "Red wins the round");
    set(154, "Choose a side to play");
}

}  // namespace kv::tools
