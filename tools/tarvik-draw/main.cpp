// tarvik-draw OUT.png (a UTF-8 name): draws a sheet of symbol texts, each in a thin outline
// at every alignment and at scale 100 and 200, and writes it as a PNG. The
// text of each cell goes to the first registered symbol class that can draw
// it, as a caller of the symbol classes would pick; a text that no class
// draws is written plainly and its label says so. Texts are GBK, as the
// library's are.
#include <cstdio>
#include <string>
#include <vector>

#include "QuarnCommon/Source/DrawSymbol.h"
#include "tools/ReportFailure.h"
#include "tools/tarvik-draw/PngFile.h"
#include "winport/Codepage.h"

namespace {

struct Case {
  const char* Label;  // nil: the text itself
  std::string Text;
};

const std::string kPhi = "\xA6\xB5";

std::vector<Case> Cases() {
  std::vector<Case> cases = {
      {"5m2", "5m2"},
      {"5M3", "5M3"},
      {"mm2", "mm2"},
      {"10#", "10#"},
      {"钢筋Φ12: not a symbol text", "钢筋Φ12"},
      {"钢筋ΦA12: sign after the start", "钢筋" + kPhi + "A12"},
  };
  for (const TDiameterSymbolRec& row : DiameterSymbols)
    cases.push_back({nullptr, std::string(row.Symbol) + "12"});
  cases.push_back({"ΦE12: no such grade", kPhi + "E12"});
  cases.push_back({"ΦA alone", kPhi + "A"});
  cases.push_back({"CR LF", "上层钢筋 5m2\r\n下层 10#"});
  cases.push_back({"CR LF twice", "第一行m3\r\n\r\n第二行"});
  cases.push_back({"broken at the width", "现浇混凝土楼板面积120m2，钢筋按设计图纸要求绑扎"});
  cases.push_back({"ΦC text broken", kPhi + "C12@200双层双向布置，间距按图"});
  return cases;
}

TDrawSymbolClass PickClass(const std::string& text) {
  for (TDrawSymbolClass c : DrawSymbolManager->SymbolClasses())
    if (c->CanDraw(text)) return c;
  return nullptr;
}

constexpr int kLabelWidth = 250, kHeaderHeight = 50;
constexpr int kCellWidth = 150, kCellHeight = 74, kGapX = 30, kGapY = 22;
constexpr int kAlignments[] = {kAlignLeft, kAlignRight, kAlignCenter};
constexpr const char* kAlignmentNames[] = {"left", "right", "centred"};
constexpr int kScales[] = {100, 200};

void Label(TCanvas* canvas, int x, int y, const std::string& text) {
  canvas->Font()->SetSize(8);
  canvas->Font()->SetColor(RGB(90, 90, 90));
  canvas->TextOut(x, y, text);
  canvas->Font()->SetSize(12);
  canvas->Font()->SetColor(clBlack);
}

void DrawSheet(TBitmap* sheet, const std::vector<Case>& cases) {
  TCanvas* canvas = sheet->Canvas();
  canvas->FillRect({0, 0, sheet->Width(), sheet->Height()});
  for (size_t s = 0; s < std::size(kScales); ++s)
    for (size_t a = 0; a < std::size(kAlignments); ++a) {
      const int x = kLabelWidth + static_cast<int>(s * std::size(kAlignments) + a) * (kCellWidth + kGapX);
      Label(canvas, x, 10, std::string(kAlignmentNames[a]) + ", scale " + std::to_string(kScales[s]));
    }
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const int y = kHeaderHeight + static_cast<int>(i) * (kCellHeight + kGapY);
    TDrawSymbolClass symbolClass = PickClass(c.Text);
    Label(canvas, 10, y, c.Label ? c.Label : c.Text);
    Label(canvas, 10, y + 16, symbolClass ? symbolClass->ClassName() : "no class: plain text");
    for (size_t s = 0; s < std::size(kScales); ++s)
      for (size_t a = 0; a < std::size(kAlignments); ++a) {
        const int x = kLabelWidth + static_cast<int>(s * std::size(kAlignments) + a) * (kCellWidth + kGapX);
        const RECT cell{x, y, x + kCellWidth, y + kCellHeight};
        canvas->Brush()->SetStyle(TBrushStyle::bsClear);
        canvas->Pen()->SetColor(RGB(200, 200, 200));
        canvas->Rectangle(cell.left - 1, cell.top - 1, cell.right + 1, cell.bottom + 1);
        canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
        if (symbolClass)
          symbolClass->Draw(canvas, kScales[s], c.Text, kAlignments[a], cell);
        else
          canvas->TextOut(cell.left, cell.top, c.Text);
      }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
  if (arguments.size() != 1) {
    std::fprintf(stderr, "usage: tarvik-draw OUT.png\n");
    return 2;
  }
  DrawSymbolInitialize();
  const std::vector<Case> cases = Cases();
  TBitmap* sheet = New<TBitmap>();
  const int status = RunReportingFailure("tarvik-draw", [&] {
    sheet->SetSize(kLabelWidth + 6 * (kCellWidth + kGapX),
                   kHeaderHeight + static_cast<int>(cases.size()) * (kCellHeight + kGapY));
    sheet->Canvas()->Font()->SetSize(12);
    DrawSheet(sheet, cases);
    std::string error;
    if (WritePng(sheet, arguments[0], error)) return 0;
    std::fprintf(stderr, "tarvik-draw: %s\n", error.c_str());
    return 1;
  });
  sheet->Free();
  DrawSymbolFinalize();
  return status;
}
