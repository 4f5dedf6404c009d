#include "tools/gallery/GridBench.h"

#include "tools/gallery/GalleryRows.h"
#include "ui_toolkit/Form.h"
#include "ui_toolkit/Grid.h"

#include <windows.h>

#include <cstdio>
#include <functional>

namespace {

constexpr int kRepaints = 200;
constexpr int kSteps = 1000;
constexpr int kJumps = 200;

double now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct Figure {
    double milliseconds = 0;
    double heightsPerStep = 0;
};

// Runs step count times, painting after each; the time and the heights asked per step.
Figure measure(winui::Grid& grid, GalleryRows& rows, int count, const std::function<void()>& prepare,
               const std::function<void()>& step) {
    Figure figure;
    double total = 0;
    int64_t heights = 0;
    for (int i = 0; i < count; ++i) {
        if (prepare) {
            prepare();
            UpdateWindow(grid.hwnd);
        }
        const int64_t before = rows.heightsMeasured;
        const double start = now();
        step();
        UpdateWindow(grid.hwnd);
        total += now() - start;
        heights += rows.heightsMeasured - before;
    }
    figure.milliseconds = total;
    figure.heightsPerStep = static_cast<double>(heights) / count;
    return figure;
}

} // namespace

int runGridBench(winui::Style* style) {
    std::printf("Grid bench: %d x %d client, rows of %d px, every step painted at once.\n", 560, 600,
                GalleryRows::kRowHeight);
    std::printf("%10s  %22s  %22s  %22s  %22s\n", "rows", "full repaint", "1,000 line downs",
                "1,000 page downs", "jump to the end");
    std::printf("%10s  %22s  %22s  %22s  %22s\n", "", "ms each (heights)", "ms total (heights/step)",
                "ms total (heights/step)", "ms each (heights)");
    for (int32_t count : {1000, 1000000}) {
        GalleryRows rows(count, style);
        winui::Form form(nullptr, 560, 600, 0);
        form.setStyle(style);
        auto* grid = new winui::Grid(&form);
        grid->setProvider(&rows);
        MoveWindow(grid->hwnd, 0, 0, 560, 600, FALSE);
        ShowWindow(form.hwnd, SW_SHOWNORMAL);
        UpdateWindow(form.hwnd);
        pump();

        // Each walk starts again from the top once it reached the end, so that every one of
        // the steps moves (1,000 rows hold fewer than 1,000 line downs).
        auto wrapOr = [&](int32_t request) {
            return [grid, request] {
                if (grid->topRow >= grid->lastTopRow)
                    grid->setTopRow(0);
                else
                    grid->scrollVertically(request, 0);
            };
        };
        const Figure repaint = measure(*grid, rows, kRepaints, nullptr,
                                       [grid] { InvalidateRect(grid->hwnd, nullptr, FALSE); });
        grid->setTopRow(0);
        const Figure lines = measure(*grid, rows, kSteps, nullptr, wrapOr(winui::GridLineDown));
        grid->setTopRow(0);
        const Figure pages = measure(*grid, rows, kSteps, nullptr, wrapOr(winui::GridPageDown));
        const Figure jumps = measure(
            *grid, rows, kJumps, [grid] { grid->scrollVertically(winui::GridTop, 0); },
            [grid] { grid->scrollVertically(winui::GridBottom, 0); });

        std::printf("%10d  %12.3f (%7.1f)  %12.1f (%7.1f)  %12.1f (%7.1f)  %12.3f (%7.1f)\n", count,
                    repaint.milliseconds / kRepaints, repaint.heightsPerStep, lines.milliseconds,
                    lines.heightsPerStep, pages.milliseconds, pages.heightsPerStep,
                    jumps.milliseconds / kJumps, jumps.heightsPerStep);
        grid->setProvider(nullptr);
    }
    std::fflush(stdout);
    return 0;
}
