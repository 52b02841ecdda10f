#include "tools/menu_screens.h"

#include "tools/font_writer.h"
#include "tools/game_screens.h"
#include "tools/token_writer.h"

namespace kv::tools {
namespace {

struct colour {
    float r, g, b;
};

constexpr colour kWhite{1.0f, 1.0f, 1.0f};
constexpr colour kPale{0.85f, 0.88f, 0.95f};
constexpr colour kGold{1.0f, 0.85f, 0.3f};
constexpr colour kGrey{0.5f, 0.5f, 0.5f};

class screen {
public:
    screen& rgb(colour c) {
        w_.number(c.r).number(c.g).number(c.b);
        return *this;
    }
    screen& picture(int x, int y, int width, int height, const char* name) {
        w_.str("kvstatic").integer(x).integer(y).integer(width).integer(height).str(name);
        return *this;
    }
    // A picture without a texture, which draws nothing: it holds its place in the list.
    screen& spacer() { return picture(0, 0, 0, 0, ""); }
    screen& label(int x, int y, colour c, const std::string& text, int size = 20, int alignment = 0,
                  const char* font = kDemoFontPlain) {
        w_.str("kvtext").integer(x).integer(y);
        rgb(c);
        w_.str(text).str(font).integer(size * 3 / 4).integer(size).integer(alignment).integer(0);
        return *this;
    }
    screen& button(int x, int y, int width, int height, const std::string& text) {
        w_.str("kvbutton").integer(x).integer(y).integer(width).integer(height);
        w_.str(kMenuButton).str(text).str(kDemoFontBold).integer(15).integer(20).integer(0).integer(1);
        // The label's colours (normal, pointed at, pressed, disabled), then the picture's.
        rgb(kPale).rgb(kGold).rgb(kWhite).rgb(kGrey);
        rgb(kPale).rgb(kWhite).rgb(kGold).rgb(kGrey);
        return *this;
    }
    screen& mltext(int x, int y, int width, int height, colour c) {
        w_.str("kvmltext").integer(x).integer(y).integer(width).integer(height).integer(50).integer(32);
        rgb(c);
        w_.str("").str(kDemoFontPlain);
        return *this;
    }
    screen& check(int x, int y, const std::string& text) {
        w_.str("kvcheck").number(static_cast<float>(x)).number(static_cast<float>(y)).number(24).number(24);
        w_.str(kCheckBox);
        rgb(kWhite);
        w_.number(static_cast<float>(x + 36)).number(static_cast<float>(y + 20)).str(text).integer(0);
        w_.str(kDemoFontPlain);
        rgb(kPale);
        w_.integer(12).integer(18);
        return *this;
    }
    screen& slider(int x, int y, float maximum) {
        w_.str("kvslide").number(static_cast<float>(x)).number(static_cast<float>(y)).number(300).number(16);
        rgb(kWhite);
        w_.number(16).number(24).str(kSlideTrack).str(kSlideKnob).number(0.0f).number(maximum);
        return *this;
    }
    // The 42 values of a list, 5 + 1 rows of 30.
    screen& list(const char* keyword, int x, int y, int width, int height, int rows) {
        w_.str(keyword);
        w_.number(static_cast<float>(x - 10)).number(static_cast<float>(y - 10));
        w_.number(static_cast<float>(width + 20)).number(static_cast<float>(height + 20));
        w_.str(kListBack).integer(rows).integer(30);
        w_.number(static_cast<float>(x)).number(static_cast<float>(y)).number(static_cast<float>(width));
        w_.number(static_cast<float>(height)).str(kListLight);
        w_.number(static_cast<float>(width - 24)).number(30).number(30);
        rgb(kWhite).rgb({0.4f, 0.6f, 1.0f}).rgb(kGold);
        w_.str(kListUp).str(kListDown);
        rgb(kWhite);
        w_.number(20).number(0).number(24).number(24).str(kListThumb).number(0).number(8);
        w_.str(kDemoFontPlain);
        rgb(kPale);
        w_.integer(11).integer(16);
        return *this;
    }
    // A roll of `width` x 40 with its two arrows.
    screen& roll(int x, int y, int width) {
        w_.str("kvroll").number(static_cast<float>(x)).number(static_cast<float>(y));
        w_.number(static_cast<float>(width)).number(40);
        rgb(kWhite).rgb(kGold);
        w_.str(kRollFrame).str(kRollLeft).str(kRollRight).str(kDemoFontPlain);
        w_.number(12).number(18).number(16).number(20);
        w_.number(static_cast<float>(x + 12)).number(static_cast<float>(y + 28));
        return *this;
    }
    // An edit box of `width` x 40 holding up to 31 characters.
    screen& edit(int x, int y, int width) {
        w_.str("kvedit").number(static_cast<float>(x)).number(static_cast<float>(y));
        w_.number(static_cast<float>(width)).number(40).integer(32);
        w_.number(static_cast<float>(x + 10)).number(static_cast<float>(y + 28));
        w_.str(kEditFrame).str("").str(kDemoFontPlain).number(12).number(18);
        rgb(kPale).rgb(kWhite).rgb(kGold).rgb(kGrey);
        w_.integer(0);  // the value the reading leaves alone
        return *this;
    }
    std::vector<uint8_t> bytes() const { return w_.bytes(); }

private:
    token_writer w_;
};

std::vector<uint8_t> main_menu() {
    screen s;
    s.picture(0, 0, 1000, 1000, kMenuBackground);
    s.picture(250, 40, 500, 90, kMenuTitle);
    s.picture(0, 160, 60, 24, kMenuBanner);
    s.picture(320, 250, 360, 480, kMenuPanel);
    s.picture(60, 895, 880, 50, kMenuHelpLine);
    // Labels 0 and 1 are free; 2 and 3 the title and its shadow; 4 to 8 the side list; 9 the help
    // line; 10 and 11 the version and the build.
    s.label(20, 30, kGrey, "").label(20, 50, kGrey, "");
    s.label(502, 97, {0.1f, 0.1f, 0.2f}, "", 36, 1, kDemoFontBold)
        .label(500, 95, kGold, "", 36, 1, kDemoFontBold);
    for (int i = 0; i < 5; ++i) s.label(40, 300 + 40 * i, kGrey, "", 16);
    s.label(90, 930, kWhite, "", 20);
    s.label(800, 960, kGrey, "", 14).label(800, 980, kGrey, "", 14);
    for (int i = 0; i < 5; ++i) s.button(350, 280 + 70 * i, 300, 50, "");
    s.button(350, 630, 300, 50, "");
    s.button(350, 630, 300, 50, "Training");
    return s.bytes();
}

std::vector<uint8_t> loading() {
    screen s;
    s.picture(0, 0, 1000, 1000, kMenuBackground);
    s.label(500, 500, kGold, "", 28, 1, kDemoFontBold);
    return s.bytes();
}

std::vector<uint8_t> controls() {
    screen s;
    s.picture(60, 40, 880, 900, kMenuPanel);
    s.label(502, 92, {0.1f, 0.1f, 0.2f}, "", 32, 1, kDemoFontBold)
        .label(500, 90, kGold, "", 32, 1, kDemoFontBold);
    s.mltext(560, 130, 500, 800, kGold);
    s.mltext(120, 130, 500, 800, kPale);
    return s.bytes();
}

std::vector<uint8_t> quit() {
    screen s;
    s.picture(300, 250, 400, 460, kMenuPanel);
    s.label(502, 312, {0.1f, 0.1f, 0.2f}, "", 30, 1, kDemoFontBold)
        .label(500, 310, kGold, "", 30, 1, kDemoFontBold);
    for (int i = 0; i < 3; ++i) s.label(340, 420 + 90 * i, kGrey, "", 14);
    for (int i = 0; i < 3; ++i) s.button(350, 360 + 90 * i, 300, 50, "");
    return s.bytes();
}

std::vector<uint8_t> options() {
    screen s;
    s.picture(0, 0, 1000, 1000, kMenuBackground);
    s.picture(40, 120, 920, 760, kMenuPanel);
    s.picture(0, 0, 1000, 6, kMenuBar);
    for (int i = 3; i < 32; ++i) s.spacer();
    s.picture(60, 895, 880, 50, kMenuHelpLine);
    // 2 and 3 the title and its shadow, 4 the back caption, 7 the key list's title, 8 the invert
    // caption, 9 and 10 the list's heading, 11 and 12 the sensitivity, 15 and 16 the volume, 19 the
    // help line, 20 and 21 the version and the build.
    const int shown[][3] = {{20, 30, 0},   {20, 50, 0},   {502, 82, 1},  {500, 80, 1},  {80, 830, 0},
                            {20, 70, 0},   {20, 90, 0},   {80, 160, 0},  {640, 600, 0}, {80, 200, 0},
                            {82, 202, 0},  {620, 220, 0}, {622, 222, 0}, {20, 110, 0},  {20, 130, 0},
                            {620, 340, 0}, {622, 342, 0}, {20, 150, 0},  {20, 170, 0},  {90, 930, 0},
                            {800, 960, 0}, {800, 980, 0}};
    for (int i = 0; i < 22; ++i) {
        const bool title = i == 2 || i == 3;
        s.label(shown[i][0], shown[i][1], title ? kGold : kPale, "", title ? 36 : 18, shown[i][2],
                title ? kDemoFontBold : kDemoFontPlain);
    }
    s.button(650, 800, 260, 50, "");
    s.check(620, 560, "");
    s.slider(620, 250, 1.0f);
    s.slider(620, 370, 1.0f);
    s.list("kvcontrol", 80, 240, 500, 540, 18);
    return s.bytes();
}

// The multiplayer screens: the host game screen and the LAN list / server browser.

// Three pages on one panel: rules (pictures 28-41, labels 10-23, roll 0, check boxes 0-5, edits 0-2),
// maps and limits (pictures 42-73, labels 24-38, buttons 5 and 6, rolls 1-3, lists 0 and 1, edits 3
// and 4) and bots (pictures 74-100, labels 39-50, button 7, rolls 4-18, check boxes 6-8). Pictures 101
// to 103 mark the page's tab, 105 holds the help line.
std::vector<uint8_t> host_screen() {
    screen s;
    constexpr colour kShadow{0.1f, 0.1f, 0.2f};
    s.picture(0, 0, 1000, 1000, kMenuBackground);
    s.picture(40, 200, 920, 600, kMenuPanel);
    s.picture(0, 190, 60, 24, kMenuBanner);
    for (int i = 3; i < 28; ++i) s.spacer();
    s.picture(60, 215, 880, 4, kMenuBar);  // 28: page 0
    for (int i = 29; i < 41; ++i) s.spacer();
    s.picture(610, 515, 24, 24, kMenuBanner);  // 41: beside the dedicated box
    s.picture(60, 215, 880, 4, kMenuBar);      // 42: page 1
    for (int i = 43; i < 74; ++i) s.spacer();
    s.picture(60, 215, 880, 4, kMenuBar);  // 74: page 2
    for (int i = 75; i < 101; ++i) s.spacer();
    for (int i = 0; i < 3; ++i) s.picture(300 + 200 * i, 196, 180, 6, kMenuBar);  // 101-103
    s.spacer();                                                                   // 104
    s.picture(60, 895, 880, 50, kMenuHelpLine);                                   // 105

    // 0 and 1 free; 2 and 3 the mode title and its shadow; 4-8 the captions under the buttons; 9 the
    // page title.
    s.label(20, 30, kGrey, "").label(20, 50, kGrey, "");
    s.label(502, 72, kShadow, "", 36, 1, kDemoFontBold).label(500, 70, kGold, "", 36, 1, kDemoFontBold);
    s.label(150, 880, kGrey, "", 14);
    for (int i = 0; i < 3; ++i) s.label(390 + 200 * i, 135, kGrey, "", 14, 1);
    s.label(810, 880, kGrey, "", 14);
    s.label(500, 250, kPale, "", 22, 1, kDemoFontBold);
    // Page 0: each caption with its shadow, and the shadows of the check boxes' captions.
    const int caption_y[3] = {420, 300, 360};  // game mode, player name, server name
    for (int y : caption_y) s.label(82, y + 2, kShadow, "").label(80, y, kPale, "");
    const auto check_shadow = [&](int i) { s.label(678, 302 + 50 * i, kShadow, "", 16); };
    check_shadow(0);
    check_shadow(1);
    s.label(82, 482, kShadow, "").label(80, 480, kPale, "");  // 18, 19: respawn time
    for (int i = 2; i < 6; ++i) check_shadow(i);
    // Page 1: 24-27 round time, 28-31 campaign time, 32-33 players per team, 34-36 beside the team
    // rolls, 37 and 38 over the lists.
    s.label(82, 302, kShadow, "").label(80, 300, kPale, "").label(0, 0, kGrey, "").label(0, 0, kGrey, "");
    s.label(82, 362, kShadow, "").label(80, 360, kPale, "").label(0, 0, kGrey, "").label(0, 0, kGrey, "");
    s.label(532, 302, kShadow, "").label(530, 300, kPale, "");
    for (int i = 0; i < 3; ++i) s.label(700, 300 + 40 * i, kGold, "", 16);
    s.label(80, 420, kGold, "", 18).label(560, 420, kGold, "", 18);
    // Page 2: 39 the save button's caption, 40-43 the columns and 44-47 their shadows, 48-50 the
    // team boxes' shadows.
    s.label(640, 770, kGrey, "", 14);
    for (int i = 0; i < 4; ++i) s.label(300 + 150 * i, 380, kGold, "", 16);
    for (int i = 0; i < 4; ++i) s.label(301 + 150 * i, 381, kShadow, "", 16);
    for (int i = 0; i < 3; ++i) s.label(118, 432 + 60 * i, kShadow, "", 16);
    // 51 the help line, 52 free, 53 and 54 the version and the build.
    s.label(90, 930, kWhite, "", 20).label(20, 70, kGrey, "");
    s.label(800, 960, kGrey, "", 14).label(800, 980, kGrey, "", 14);

    // Buttons: 0 back, 1-3 the pages, 4 start, 5 and 6 move a map, 7 save the bot presets.
    s.button(60, 820, 180, 50, "");
    for (int i = 0; i < 3; ++i) s.button(300 + 200 * i, 140, 180, 50, "");
    s.button(720, 820, 220, 50, "");
    s.button(450, 520, 100, 40, ">>").button(450, 590, 100, 40, "<<");
    s.button(640, 720, 280, 44, "");

    // Rolls: 0 game mode, 1-3 team sizes, 4 bot preset, 5 bot configuration, 6-17 the team values
    // (team by row, value by column), 18 without a place.
    s.roll(300, 395, 280);
    for (int i = 0; i < 3; ++i) s.roll(750, 275 + 40 * i, 150);
    s.roll(300, 280, 300).roll(300, 330, 300);
    for (int t = 0; t < 3; ++t) {
        for (int v = 0; v < 4; ++v) s.roll(300 + 150 * v, 405 + 60 * t, 130);
    }
    s.roll(0, 0, 0);

    // Check boxes: 0-5 the rules, 6-8 the bot teams.
    for (int i = 0; i < 6; ++i) s.check(640, 280 + 50 * i, "");
    for (int t = 0; t < 3; ++t) s.check(80, 410 + 60 * t, "");

    // Lists: 0 every map, 1 the rotation.
    s.list("kvselection", 70, 440, 360, 300, 9);
    s.list("kvselection", 570, 440, 360, 300, 9);

    // Edits: 0 player name, 1 server name, 2 respawn time, 3 round time, 4 campaign time.
    s.edit(300, 275, 280).edit(300, 335, 280).edit(300, 455, 120);
    s.edit(300, 275, 120).edit(300, 335, 120);
    return s.bytes();
}

// The LAN game list and the server browser: the list of servers with five columns, the line speed,
// the status line, a check box and five buttons (host, back, master list, refresh, join).
std::vector<uint8_t> mplayer_screen() {
    screen s;
    constexpr colour kShadow{0.1f, 0.1f, 0.2f};
    s.picture(0, 0, 1000, 1000, kMenuBackground);
    s.picture(60, 150, 880, 650, kMenuPanel);
    s.picture(0, 0, 1000, 6, kMenuBar);           // 2: the scanning bar
    s.picture(792, 812, 186, 66, kMenuHelpLine);  // 3: behind the join button
    // 0-3 free; 4-8 the buttons' captions; 9 and 10 the title; 11 the list's title; 12 the status
    // line; 13 the check box caption's shadow; 14 and 15 the line speed; 16 and 17 the version and
    // the build.
    for (int i = 0; i < 4; ++i) s.label(20, 30 + 20 * i, kGrey, "");
    for (int i = 0; i < 5; ++i) s.label(145 + 185 * i, 890, kGrey, "", 14, 1);
    s.label(502, 97, kShadow, "", 36, 1, kDemoFontBold).label(500, 95, kGold, "", 36, 1, kDemoFontBold);
    s.label(120, 190, kPale, "", 18);
    s.label(120, 700, kGold, "", 20);
    s.label(687, 752, kShadow, "", 16);
    s.label(122, 752, kShadow, "").label(120, 750, kPale, "");
    s.label(800, 960, kGrey, "", 14).label(800, 980, kGrey, "", 14);
    for (int i = 0; i < 5; ++i) s.button(60 + 185 * i, 820, 170, 50, "");
    s.roll(330, 722, 260);
    s.check(650, 730, "");
    s.list("kvselection", 120, 210, 760, 450, 14);
    return s.bytes();
}

struct rgba {
    uint8_t r, g, b, a;
};

widget_picture painted(const char* name, int width, int height, rgba (*paint)(int x, int y, int w, int h)) {
    widget_picture p{name, width, height, {}};
    p.rgba.reserve(static_cast<std::size_t>(width * height * 4));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const rgba c = paint(x, y, width, height);
            p.rgba.insert(p.rgba.end(), {c.r, c.g, c.b, c.a});
        }
    }
    return p;
}

uint8_t level(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

std::vector<screen_desc> demo_screens() {
    return {
        {"menu_scr", main_menu()},
        {"loading_scr", loading()},
        {"game_scr", game_screen()},
        {"mplayer_scr", mplayer_screen()},
        {"briefing_scr", briefing_screen()},
        {"scores_scr", scores_screen()},
        {"controls_scr", controls()},
        {"briefing2_scr", briefing2_screen()},
        {"host_scr", host_screen()},
        {"options_scr", options()},
        {"quit_scr", quit()},
    };
}

std::vector<widget_picture> menu_pictures() {
    return {
        painted(kMenuBackground, 64, 64,
                [](int x, int y, int, int h) {
                    const int shade = 30 + 60 * y / h + ((x / 8 + y / 8) % 2) * 6;
                    return rgba{level(shade / 2), level(shade * 2 / 3), level(shade + 30), 255};
                }),
        painted(kMenuTitle, 128, 32,
                [](int x, int y, int w, int) {
                    const bool edge = y < 2 || y > 29 || x < 2 || x > w - 3;
                    return edge ? rgba{255, 220, 90, 255} : rgba{level(40 + x), 50, 90, 220};
                }),
        painted(kMenuBanner, 32, 16,
                [](int x, int y, int, int) {
                    return (x + y) % 8 < 4 ? rgba{255, 200, 60, 255} : rgba{200, 60, 40, 255};
                }),
        painted(kMenuPanel, 32, 32,
                [](int x, int y, int, int) {
                    const bool edge = x == 0 || y == 0 || x == 31 || y == 31;
                    return edge ? rgba{200, 200, 210, 255} : rgba{20, 28, 48, 200};
                }),
        painted(kMenuHelpLine, 64, 8,
                [](int, int y, int, int) {
                    return rgba{30, 40, level(80 + 10 * y), 200};
                }),
        painted(
            kMenuButton, 64, 16,
            [](int x, int y, int w, int h) {
                const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
                return edge ? rgba{230, 230, 240, 255} : rgba{level(50 + 4 * y), level(70 + 4 * y), 130, 230};
            }),
        painted(kMenuBar, 16, 4,
                [](int, int, int, int) {
                    return rgba{120, 200, 255, 120};
                }),
        painted(kConsoleBackground, 64, 64,
                [](int x, int y, int, int) {
                    const int n = ((x * 7 + y * 13) % 11) * 3;
                    return rgba{level(20 + n), level(24 + n), level(30 + n), 230};
                }),
    };
}

namespace {

// The texts of the host screen, the LAN list and the server browser.
void multiplayer_texts(std::vector<std::string>& t) {
    const std::pair<int, const char*> texts[] = {
        {8, "Host a LAN game"},
        {9, "Host an internet game"},
        {10, "Connecting..."},
        {11, "Searching the local network..."},
        {14, "Waiting for %d servers to answer..."},
        {22, "Local game"},
        {23, "Arcade"},
        {24, "Realistic"},
        {25, "Custom"},
        {26, "Game rules"},
        {27, "Maps and limits"},
        {28, "Bots"},
        {32, "Rules"},
        {33, "Maps"},
        {34, "Bots"},
        {35, "Start"},
        {36, "Game mode"},
        {37, "Player name"},
        {38, "Server name"},
        {39, "Friendly fire"},
        {40, "Respawn"},
        {41, "Free camera"},
        {42, "Respawn time"},
        {43, "Iron sights"},
        {44, "Name tags"},
        {45, "Dedicated server"},
        {46, "Round time"},
        {47, "Campaign time"},
        {48, "Players per team"},
        {49, "Maps"},
        {50, "Map rotation"},
        {51, "Save the presets"},
        {52, "Soldiers"},
        {53, "Scouts"},
        {54, "Snipers"},
        {55, "Specialists"},
        {56, "Team 1"},
        {57, "Team 2"},
        {58, "Team 3"},
        {59, "No bots"},
        {60, "Skirmish"},
        {61, "Squads"},
        {62, "Sharpshooters"},
        {63, "Own preset 1"},
        {64, "Own preset 2"},
        {65, "Own preset 3"},
        {66, "Host game"},
        {67, "Master list"},
        {68, "Refresh"},
        {69, "Join"},
        {70, "Internet games"},
        {71, "Servers"},
        {72, "Spectate"},
        {73, "%d server answered"},
        {74, "%d servers answered"},
        {75, "%d game found"},
        {76, "%d games found"},
        {78, "Line speed"},
        {90, "Arcade and realistic set the rules; custom lets you choose them"},
        {91, "Hits on team-mates count"},
        {92, "Fallen soldiers come back after the respawn time"},
        {93, "The dead watch the game from a free camera"},
        {94, "Aim down the weapon's sights"},
        {95, "Names over team-mates"},
        {100, "Moves the chosen map between the lists"},
        {101, "Put at least one map in the rotation first"},
        {102, "Start the server with these settings"},
        {103, "The rules of the game"},
        {104, "The maps and the player limits"},
        {105, "The computer players"},
        {106, "Ready-made bot teams, or your own"},
        {107, "How the bots play"},
    };
    for (const auto& [n, text] : texts) {
        if (static_cast<std::size_t>(n) >= t.size()) t.resize(static_cast<std::size_t>(n) + 1);
        t[static_cast<std::size_t>(n)] = text;
    }
}

}  // namespace

std::vector<std::string> menu_texts() {
    std::vector<std::string> t(90);
    multiplayer_texts(t);
    t[0] = "Main menu";
    t[1] = "Options";
    t[2] = "Host game";
    t[3] = "LAN games";
    t[4] = "Internet games";
    t[5] = "Quit";
    t[6] = "Back";
    t[7] = "Controls";
    t[29] = "Invert mouse";
    t[30] = "Mouse sensitivity";
    t[31] = "Sound volume";
    t[77] = "Key bindings";
    t[79] = "Keys, mouse and sound";
    t[80] = "Start a server on this machine";
    t[81] = "Games on the local network";
    t[82] = "Games listed on the internet";
    t[83] = "Leave the program";
    t[85] = "How fast the view follows the mouse";
    t[86] = "How loud the game plays";
    t[87] = "Turns the mouse's up and down around";
    return t;
}

std::string demo_controls_file() {
    return "bind \"Toggle console\" \"`\"\nminvert off\n";
}

}  // namespace kv::tools
