// A grid layout file ("grid_archive.txt") as the main window reads it at its first activation,
// then the grid painted with what it took: every column keeps a width a user could have
// dragged, or its own.

#include "link/grid_helpers.h"
#include "platform/vcl/Forms.h"
#include "tests/fuzz/FuzzSupport.h"

#include <array>
#include <memory>

namespace
{

constexpr std::array<int, 6> OwnWidths = {77, 142, 122, 141, 81, 304};

// Held by the thread, made after the thread's message queue, so that at exit the window goes
// before the queue it still posts to.
TStringGrid &Grid()
{
    thread_local const std::unique_ptr<TForm> Form = [] {
        fuzz::StartApplication();
        auto form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 900, 300);
        auto *grid = new TStringGrid(form.get());
        grid->SetName("Grid");
        grid->SetParent(form.get());
        grid->SetBounds(0, 0, 880, 280);
        grid->SetColCount(static_cast<int>(OwnWidths.size()));
        grid->SetRowCount(5);
        form->Show();
        return form;
    }();
    return *static_cast<TStringGrid *>(Form->FindComponent("Grid"));
}

const bool Ready = fuzz::BeforeInputs([] { Grid(); });

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    TStringGrid &grid = Grid();
    for (std::size_t col = 0; col < OwnWidths.size(); ++col)
        grid.SetColWidths(static_cast<int>(col), OwnWidths[col]);
    GridLoadColWidths(&grid, fuzz::WriteFile("grid_archive.txt", Data, Size));
    for (int col = 0; col < grid.ColCount(); ++col)
        if (grid.ColWidths(col) < 0 || grid.ColWidths(col) > MaxLayoutColWidth)
            fuzz::Broken("a width no user could have dragged was taken");
    grid.Repaint();
    return 0;
}
