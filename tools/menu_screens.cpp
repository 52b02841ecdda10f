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

std::vector<uint8_t> placeholder(const std::string& title) {
    screen s;
    s.picture(0, 0, 1000, 1000, kMenuBackground);
    s.label(500, 120, kGold, title, 32, 1, kDemoFontBold);
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
        {"mplayer_scr", placeholder("Multiplayer")},
        {"briefing_scr", briefing_screen()},
        {"scores_scr", scores_screen()},
        {"controls_scr", controls()},
        {"briefing2_scr", briefing2_screen()},
        {"host_scr", placeholder("Host game")},
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

std::vector<std::string> menu_texts() {
    std::vector<std::string> t(90);
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
