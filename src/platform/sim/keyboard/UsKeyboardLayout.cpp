#include "platform/sim/keyboard/UsKeyboardLayout.h"

#include <array>

namespace qm {
namespace {

struct Entry {
    std::uint16_t keyCode;
    char16_t plain;
    char16_t shifted;
};

constexpr std::array<Entry, 48> entries{{
    {0, u'a', u'A'},   {1, u's', u'S'},  {2, u'd', u'D'},   {3, u'f', u'F'},  {4, u'h', u'H'},
    {5, u'g', u'G'},   {6, u'z', u'Z'},  {7, u'x', u'X'},   {8, u'c', u'C'},  {9, u'v', u'V'},
    {11, u'b', u'B'},  {12, u'q', u'Q'}, {13, u'w', u'W'},  {14, u'e', u'E'}, {15, u'r', u'R'},
    {16, u'y', u'Y'},  {17, u't', u'T'}, {18, u'1', u'!'},  {19, u'2', u'@'}, {20, u'3', u'#'},
    {21, u'4', u'$'},  {22, u'6', u'^'}, {23, u'5', u'%'},  {24, u'=', u'+'}, {25, u'9', u'('},
    {26, u'7', u'&'},  {27, u'-', u'_'}, {28, u'8', u'*'},  {29, u'0', u')'}, {30, u']', u'}'},
    {31, u'o', u'O'},  {32, u'u', u'U'}, {33, u'[', u'{'},  {34, u'i', u'I'}, {35, u'p', u'P'},
    {37, u'l', u'L'},  {38, u'j', u'J'}, {39, u'\'', u'"'}, {40, u'k', u'K'}, {41, u';', u':'},
    {42, u'\\', u'|'}, {43, u',', u'<'}, {44, u'/', u'?'},  {45, u'n', u'N'}, {46, u'm', u'M'},
    {47, u'.', u'>'},  {49, u' ', u' '}, {50, u'`', u'~'},
}};

}  // namespace

std::optional<UsKeyboardLayout::Key> UsKeyboardLayout::keyFor(char16_t character)
{
    for (const Entry& entry : entries) {
        if (entry.plain == character) {
            return Key{entry.keyCode, false};
        }
        if (entry.shifted == character) {
            return Key{entry.keyCode, true};
        }
    }
    return std::nullopt;
}

std::optional<char16_t> UsKeyboardLayout::characterFor(std::uint16_t keyCode, bool shift)
{
    for (const Entry& entry : entries) {
        if (entry.keyCode == keyCode) {
            return shift ? entry.shifted : entry.plain;
        }
    }
    return std::nullopt;
}

}  // namespace qm
