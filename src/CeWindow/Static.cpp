// The static control: left, centred or right-aligned text wrapped to the control (drawn on into
// the free cells beside it when it is wider, see PlaceLabel), or a bitmap or icon resource drawn
// in half-block cells.
#include <windows.h>

#include <algorithm>
#include <optional>

#include "Bitmap.h"
#include "ControlText.h"
#include "Window.h"

namespace ce::win {

namespace {

struct StaticData : ControlData {
    HANDLE image = nullptr;  // the handle shown (HBITMAP or HICON)
    std::optional<CellImage> cells;
};

DWORD TypeOf(HWND hwnd) { return WindowStyle(hwnd) & SS_TYPEMASK; }

bool IsImageType(DWORD type) { return type == SS_BITMAP || type == SS_ICON; }

StaticData& DataOf(HWND hwnd) { return ControlState<StaticData>(hwnd); }

// Shows `image` (null: nothing) and, as the platform does, sizes the control to it.
HANDLE SetImage(HWND hwnd, HANDLE image) {
    StaticData& data = DataOf(hwnd);
    const HANDLE previous = data.image;
    data.image = image;
    data.cells.reset();
    if (const res::Image* resource = ImageFromHandle(image)) {
        data.cells = DecodeCellImage(resource->bmp);
    }
    if (data.cells) {
        SetWindowPos(hwnd, nullptr, 0, 0, data.cells->width, data.cells->height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Redraw(hwnd);
    return previous;
}

void CreateImage(HWND hwnd, const CREATESTRUCTW& create) {
    // The window name of an image static is the resource id; a named resource does not exist.
    if (create.lpszName == nullptr || !IS_INTRESOURCE(create.lpszName)) return;
    const UINT id = LOWORD(reinterpret_cast<ULONG_PTR>(create.lpszName));
    const HANDLE image = TypeOf(hwnd) == SS_BITMAP
                             ? static_cast<HANDLE>(BitmapHandle(create.hInstance, id))
                             : static_cast<HANDLE>(IconHandle(create.hInstance, id));
    SetImage(hwnd, image);
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE: {
            DataOf(hwnd);
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            if (create && IsImageType(TypeOf(hwnd))) CreateImage(hwnd, *create);
            return 0;
        }
        case WM_SETTEXT:
        case WM_ENABLE: {
            const LRESULT result = DefWindowProcW(hwnd, msg, wParam, lParam);
            Redraw(hwnd);
            return result;
        }
        case STM_SETIMAGE:
            if ((wParam == IMAGE_BITMAP) != (TypeOf(hwnd) == SS_BITMAP)) return 0;
            return reinterpret_cast<LRESULT>(SetImage(hwnd, reinterpret_cast<HANDLE>(lParam)));
        case STM_GETIMAGE:
            if ((wParam == IMAGE_BITMAP) != (TypeOf(hwnd) == SS_BITMAP)) return 0;
            return reinterpret_cast<LRESULT>(DataOf(hwnd).image);
        case STM_SETICON:
            if (TypeOf(hwnd) != SS_ICON) return 0;
            return reinterpret_cast<LRESULT>(SetImage(hwnd, reinterpret_cast<HANDLE>(wParam)));
        case STM_GETICON:
            if (TypeOf(hwnd) != SS_ICON) return 0;
            return reinterpret_cast<LRESULT>(DataOf(hwnd).image);
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// The widest run of characters that no blank or line break divides.
int LongestWord(std::u16string_view text) {
    int longest = 0;
    int run = 0;
    for (char16_t ch : text) {
        run = (ch == u' ' || ch == u'\r' || ch == u'\n') ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

// The text's lines in `width` columns; without word wrap each line as it is (cut when drawn).
std::vector<TextLine> LinesOf(std::u16string_view text, DWORD type, int width) {
    return WrapText(text, type == SS_LEFTNOWORDWRAP ? static_cast<int>(text.size()) + 1 : width);
}

void PaintText(HWND hwnd, Canvas& canvas, DWORD style) {
    const uint16_t attr = IsWindowEnabled(hwnd) ? 0 : kAttrDim;
    size_t marked = std::u16string::npos;
    const std::u16string text =
        (style & SS_NOPREFIX) ? WindowText(hwnd) : StripMnemonic(WindowText(hwnd), &marked);
    const DWORD type = style & SS_TYPEMASK;
    const int rows = canvas.Height();
    // Whole when every line has its row and no word (no line, without word wrap) is cut.
    const int longest = type == SS_LEFTNOWORDWRAP ? 0 : LongestWord(text);
    auto fits = [&](int width) {
        const std::vector<TextLine> lines = LinesOf(text, type, width);
        if (static_cast<int>(lines.size()) > rows || longest > width) return false;
        return std::all_of(lines.begin(), lines.end(), [&](const TextLine& line) {
            std::u16string_view shown = std::u16string_view(text).substr(line.start, line.length);
            while (!shown.empty() && shown.back() == u' ') shown.remove_suffix(1);
            return static_cast<int>(shown.size()) <= width;
        });
    };
    const Align align = type == SS_CENTER  ? Align::kCentre
                        : type == SS_RIGHT ? Align::kRight
                                           : Align::kLeft;
    const LabelSpan span = PlaceLabel(hwnd, canvas, align, fits);
    const int width = span.width;
    const std::vector<TextLine> lines = LinesOf(text, type, width);
    int y = 0;
    if (style & SS_CENTERIMAGE) y = std::max(0, (rows - static_cast<int>(lines.size())) / 2);
    for (const TextLine& line : lines) {
        if (y >= rows) break;
        std::u16string_view shown = std::u16string_view(text).substr(line.start, line.length);
        while (!shown.empty() && shown.back() == u' ') shown.remove_suffix(1);
        if (static_cast<int>(shown.size()) > width) shown = shown.substr(0, width);
        const int room = width - static_cast<int>(shown.size());
        const int x = span.first + (align == Align::kCentre  ? room / 2
                                    : align == Align::kRight ? room
                                                             : 0);
        canvas.Text(x, y, shown, attr);
        if (marked >= line.start && marked < line.start + shown.size()) {
            canvas.Put(x + static_cast<int>(marked - line.start), y, text[marked],
                       attr | kAttrUnderline);
        }
        ++y;
    }
}

void PaintStatic(HWND hwnd, Canvas& canvas, PaintLayer layer) {
    if (layer != PaintLayer::kWindow) return;
    canvas.Fill(0, 0, canvas.Width(), canvas.Height());
    const DWORD style = WindowStyle(hwnd);
    if (!IsImageType(style & SS_TYPEMASK)) {
        PaintText(hwnd, canvas, style);
        return;
    }
    const StaticData* data = GetControlDataAs<StaticData>(hwnd);
    if (data == nullptr || !data->cells) return;
    int x = 0;
    int y = 0;
    if (style & SS_CENTERIMAGE) {
        x = (canvas.Width() - data->cells->columns) / 2;
        y = (canvas.Height() - data->cells->rows) / 2;
    }
    DrawCellImage(canvas, x, y, *data->cells);
}

const bool kRegistered = RegisterSystemClass(u"STATIC", StaticProc, PaintStatic);

}  // namespace

}  // namespace ce::win
