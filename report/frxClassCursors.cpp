// The report library's cursors, drawn here since the program carries no cursor files.

#include "report/frxClass.h"

#include "platform/vcl/Forms.h"
#include "platform/win/Cursor.h"

namespace
{

constexpr win::CursorArt HandArt{
    "      ##        ", "   ## #..###    ", "  #..##..#..#   ", "  #..##..#..# # ",
    "   #..#..#..##.#", "   #..#..#..#..#", " ## #.......#..#", "#..##..........#",
    "#...#.........# ", " #............# ", "  #...........# ", "  #..........#  ",
    "   #.........#  ", "    #.......#   ", "     #......#   ", "     #......#   ",
};

constexpr win::CursorArt ZoomArt{
    "    ####        ", "  ##....##      ", " #........#     ", " #...##...#     ",
    "#....##....#    ", "#..######..#    ", "#..######..#    ", "#....##....#    ",
    " #...##...#     ", " #........#     ", "  ##....###     ", "    ####.###    ",
    "         ###    ", "          ###   ", "           ###  ", "            ##  ",
};

// An arrow with a brush beside it: the format painter copies a look.
constexpr win::CursorArt FormatArt{
    "#               ", "##              ", "#.#             ", "#..#            ",
    "#...#    ###### ", "#....#   #....# ", "#.....#  #....# ", "#......# ###### ",
    "#....###   ##   ", "#.#..#     ##   ", "## #..#   ####  ", "#  #..#  #....# ",
    "    #..# #....# ", "    #..# #....# ", "     ##   #..#  ", "           ##   ",
};

void Register(TCursor Index, const win::CursorArt &Art, int HotX, int HotY)
{
    // The screen gives the arrow for a cursor nobody registered.
    if (Screen->Cursors(Index) == Screen->Cursors(crArrow))
        Screen->SetCursors(Index, win::CursorFromArt(Art, HotX, HotY));
}

} // namespace

void frxRegisterCursors()
{
    if (!Screen) return;
    Register(crHand, HandArt, 8, 8);
    Register(crZoom, ZoomArt, 5, 5);
    Register(crFormat, FormatArt, 0, 0);
}
