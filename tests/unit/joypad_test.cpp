// The virtual pad: default mapping, validation against the reported
// joysticks, and how keys and joystick words combine on each poll.
#include "joypad.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

using Fields = std::array<int, 4>;

Fields fieldsOf(const JoystickInfo& info)
{
    return {info.joystickIndex, info.stickIndex, info.axisIndex, info.buttonOrDirection};
}

const Fields emptyFields = {-1, -1, -1, -1};

// What each logical button is meant to be fed by.
struct DefaultButton {
    int scancode;
    Fields input;
};

const DefaultButton defaults[Joypad::buttonCount] = {
    {KEY_UP, {0, 0, 1, 0}},     {KEY_DOWN, {0, 0, 1, 1}},
    {KEY_LEFT, {0, 0, 0, 0}},   {KEY_RIGHT, {0, 0, 0, 1}},
    {KEY_SPACE, {0, -1, -1, 0}}, {KEY_ENTER, {0, -1, -1, 1}},
    {KEY_M, {0, -1, -1, 2}},    {KEY_I, {0, -1, -1, 3}},
    {KEY_ESC, {0, -1, -1, 4}},
};

// The library word a joystick input reads, worked out independently of the
// code under test (indices assumed in range).
int* wordFor(const Fields& f)
{
    JOYSTICK_INFO& j = joy[f[0]];
    if (f[1] == -1)
        return &j.button[f[3]].b;
    JOYSTICK_AXIS_INFO& axis = j.stick[f[1]].axis[f[2]];
    return f[3] == 0 ? &axis.d1 : &axis.d2;
}

// Fills in joystick 0 (the one the defaults use); other stick counts stay 0.
void describeJoystick(int joysticks, int sticks, int axesOfStick0, int buttons)
{
    num_joysticks = joysticks;
    joy[0].num_sticks = sticks;
    joy[0].stick[0].num_axis = axesOfStick0;
    joy[0].num_buttons = buttons;
}

class JoypadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        startLibraryWithoutDisplay();
        num_joysticks = 0;
        std::memset(static_cast<void*>(joy), 0, sizeof(JOYSTICK_INFO) * MAX_JOYSTICKS);
        for (int k = 0; k < KEY_MAX; ++k)
            key[k] = 0;
    }
};

TEST(JoypadJoystickInfo, ConstructorsAndSetFillFieldsInOrder)
{
    JoystickInfo overwrittenByButton(1, 2, 0, 1);
    overwrittenByButton.set(3, 4);
    JoystickInfo overwrittenByAxis;
    overwrittenByAxis.set(4, 3, 2, 1);

    const struct {
        const char* name;
        JoystickInfo info;
        Fields expected;
    } cases[] = {
        {"default", JoystickInfo(), emptyFields},
        {"button", JoystickInfo(2, 7), {2, -1, -1, 7}},
        {"axis", JoystickInfo(1, 2, 0, 1), {1, 2, 0, 1}},
        {"unvalidated", JoystickInfo(-5, 40), {-5, -1, -1, 40}},
        {"set button", overwrittenByButton, {3, -1, -1, 4}},
        {"set axis", overwrittenByAxis, {4, 3, 2, 1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fieldsOf(c.info), c.expected) << c.name;
}

struct Layout {
    const char* name;
    int joysticks, sticks, axes, buttons;
    const char* accepted;  // one '1' or '0' per logical button
};

const Layout layouts[] = {
    {"no joystick", 0, 1, 2, 5, "000000000"},
    {"one axis, three buttons", 1, 1, 1, 3, "001111100"},
    {"no stick, five buttons", 1, 0, 2, 5, "000011111"},
    {"everything present", 1, 1, 2, 5, "111111111"},
    {"two sticks, no buttons", 1, 2, 2, 0, "111100000"},
    {"too many joysticks", MAX_JOYSTICKS + 1, 1, 2, 5, "000000000"},
    {"negative joysticks", -1, 1, 2, 5, "000000000"},
    {"too many sticks", 1, MAX_JOYSTICK_STICKS + 1, 2, 5, "000011111"},
    {"negative sticks", 1, -1, 2, 5, "000011111"},
    {"too many axes", 1, 1, MAX_JOYSTICK_AXIS + 1, 5, "000011111"},
    {"negative axes", 1, 1, -2, 5, "000011111"},
    {"too many buttons", 1, 1, 2, MAX_JOYSTICK_BUTTONS + 1, "111100000"},
    {"negative buttons", 1, 1, 2, -1, "111100000"},
};

TEST_F(JoypadTest, MapsDefaultsAgainstReportedJoysticks)
{
    for (const Layout& layout : layouts) {
        describeJoystick(layout.joysticks, layout.sticks, layout.axes, layout.buttons);
        const Joypad pad;
        for (int i = 0; i < Joypad::buttonCount; ++i) {
            const std::string where = std::string(layout.name) + ", button " + std::to_string(i);
            EXPECT_EQ(pad.scancodes[i], defaults[i].scancode) << where;
            EXPECT_EQ(pad.states[i], 0) << where;
            if (layout.accepted[i] == '1') {
                EXPECT_EQ(fieldsOf(pad.infos[i]), defaults[i].input) << where;
                EXPECT_EQ(pad.sources[i], wordFor(defaults[i].input)) << where;
            } else {
                EXPECT_EQ(fieldsOf(pad.infos[i]), emptyFields) << where;
                EXPECT_EQ(pad.sources[i], nullptr) << where;
            }
        }
    }
}

TEST_F(JoypadTest, FindJoystickSourceRefusesAnythingOutsideTheCounts)
{
    describeJoystick(2, 1, 2, 5);
    joy[1].num_buttons = 1;
    const struct {
        const char* name;
        JoystickInfo input;
        const int* expected;
    } cases[] = {
        {"axis d1", JoystickInfo(0, 0, 1, 0), &joy[0].stick[0].axis[1].d1},
        {"axis d2", JoystickInfo(0, 0, 0, 1), &joy[0].stick[0].axis[0].d2},
        {"last button", JoystickInfo(0, 4), &joy[0].button[4].b},
        {"second joystick", JoystickInfo(1, 0), &joy[1].button[0].b},
        {"button ignores axis", JoystickInfo(0, -1, 7, 3), &joy[0].button[3].b},
        {"empty", JoystickInfo(), nullptr},
        {"joystick past count", JoystickInfo(2, 0), nullptr},
        {"negative joystick", JoystickInfo(-1, 0), nullptr},
        {"button past count", JoystickInfo(0, 5), nullptr},
        {"negative button", JoystickInfo(0, -1), nullptr},
        {"stick past count", JoystickInfo(0, 1, 0, 0), nullptr},
        {"negative stick", JoystickInfo(0, -2, 0, 0), nullptr},
        {"axis past count", JoystickInfo(0, 0, 2, 0), nullptr},
        {"negative axis", JoystickInfo(0, 0, -1, 0), nullptr},
        {"direction 2", JoystickInfo(0, 0, 0, 2), nullptr},
        {"negative direction", JoystickInfo(0, 0, 0, -1), nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findJoystickSource(c.input), c.expected) << c.name;

    // Counts claiming more than the library's arrays hold are not trusted.
    num_joysticks = MAX_JOYSTICKS + 1;
    EXPECT_EQ(findJoystickSource(JoystickInfo(MAX_JOYSTICKS, 0)), nullptr);
    EXPECT_EQ(findJoystickSource(JoystickInfo(0, 0)), nullptr);
}

TEST_F(JoypadTest, KeyTakesPrecedenceAndJoystickWordIsCopied)
{
    describeJoystick(1, 1, 2, 5);
    Joypad pad;
    const struct {
        int keyByte;
        int word;
        int expected;
    } cases[] = {
        {0, 0, 0}, {1, 0, 1}, {0, 5, 5}, {1, 5, 1}, {2, 0, 1}, {0, -3, -3},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < Joypad::buttonCount; ++i) {
            key[defaults[i].scancode] = static_cast<char>(c.keyByte);
            *wordFor(defaults[i].input) = c.word;
            pad.poll();
            for (int other = 0; other < Joypad::buttonCount; ++other)
                EXPECT_EQ(pad.states[other], other == i ? c.expected : 0)
                    << "fed button " << i << ", key " << c.keyByte << ", word " << c.word
                    << ", looking at " << other;
            key[defaults[i].scancode] = 0;
            *wordFor(defaults[i].input) = 0;
        }
    }
}

TEST_F(JoypadTest, RefusedButtonsFollowTheirKeysOnly)
{
    describeJoystick(1, 1, 1, 3);
    Joypad pad;
    for (const DefaultButton& d : defaults)
        *wordFor(d.input) = 1;  // includes words beyond the reported counts

    pad.poll();
    const int expected[Joypad::buttonCount] = {0, 0, 1, 1, 1, 1, 1, 0, 0};
    for (int i = 0; i < Joypad::buttonCount; ++i)
        EXPECT_EQ(pad.states[i], expected[i]) << "button " << i;

    key[KEY_UP] = key[KEY_I] = key[KEY_ESC] = 1;
    pad.poll();
    for (int i : {0, 7, 8})
        EXPECT_EQ(pad.states[i], 1) << "button " << i;
    EXPECT_EQ(pad.states[1], 0);
}

TEST_F(JoypadTest, StatesStartReleasedAndRepeatedPollsAgree)
{
    describeJoystick(1, 1, 2, 5);
    key[KEY_M] = 1;
    joy[0].stick[0].axis[0].d2 = 7;
    Joypad pad;
    for (int i = 0; i < Joypad::buttonCount; ++i)
        EXPECT_EQ(pad.states[i], 0) << "button " << i << " before the first poll";

    pad.poll();
    int first[Joypad::buttonCount];
    std::memcpy(first, pad.states, sizeof first);
    EXPECT_EQ(first[6], 1);
    EXPECT_EQ(first[3], 7);
    pad.poll();
    for (int i = 0; i < Joypad::buttonCount; ++i)
        EXPECT_EQ(pad.states[i], first[i]) << "button " << i;
}

TEST_F(JoypadTest, JoystickDescribedAfterConstructionIsIgnored)
{
    Joypad pad;
    describeJoystick(1, 1, 2, 5);
    for (const DefaultButton& d : defaults)
        *wordFor(d.input) = 1;

    pad.poll();
    for (int i = 0; i < Joypad::buttonCount; ++i) {
        EXPECT_EQ(pad.sources[i], nullptr) << "button " << i;
        EXPECT_EQ(pad.states[i], 0) << "button " << i;
    }
    key[KEY_ENTER] = 1;
    pad.poll();
    EXPECT_EQ(pad.states[5], 1);
}

} // namespace
