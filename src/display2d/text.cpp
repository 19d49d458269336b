// Text commands: the font, size, style and background settings, TEXT and CENTER TEXT, the
// text queries and the font checklist. Records 201 to 213 change the settings and draw
// text when the display list runs, so the queries report a setting after its frame;
// records 102 and 110 draw and rub out console text. Owns the TextState.
#include "display2d/text.h"

#include "command_ids.h"
#include "core/runtime.h"
#include "display2d/pixels.h"
#include "display2d/state.h"
#include "services/checklist.h"

namespace zt {

namespace {

constexpr int ChecklistFonts = 255;
constexpr int BoldWeightStyle = 2;

void createTextFont(Runtime& rt) {
  TextState& t = rt.text;
  t.TextFont.reset();
  if (t.Fonts) t.TextFont = t.Fonts->open(t.TextFontName, t.TextSize, t.TextStyle >= BoldWeightStyle, t.TextStyle & 1);
}

TextExtent measure(Font* font, std::string_view text) { return font ? font->measure(text) : TextExtent{}; }

// Draws with the ink as text colour; `eraseColours` draws in the background colour.
void drawText(Runtime& rt, Surface& s, Font* font, const DisplayRecord& r, int x, bool opaque, bool eraseColours) {
  if (!font) return;
  const DrawState& d = rt.draw;
  const PixelLayout l = PixelLayout::of(s);
  const uint32_t background = l.matchOf(uint32_t(d.BackRed << 16 | d.BackGreen << 8 | d.BackBlue));
  const uint32_t ink = eraseColours ? background : l.matchOf(uint32_t(d.InkRed << 16 | d.InkGreen << 8 | d.InkBlue));
  font->draw(s, x, r.arg2, r.text(), ink, background, opaque);
}

void setting(Runtime& rt, int32_t op, int32_t value = 0, std::string_view text = {}) {
  if (DisplayRecord* r = AddRecord(rt, op)) {
    r->arg1 = value;
    r->setText(text);
  }
}

Word* opChecklistForFonts(Runtime& rt, Word* pc) {
  startChecklist(rt);
  std::vector<std::string> names = rt.text.Fonts ? rt.text.Fonts->families() : std::vector<std::string>{};
  int added = 0;
  for (const std::string& name : names) {
    if (added == ChecklistFonts || !addChecklistEntry(rt, name)) break;
    ++added;
  }
  finishChecklist(rt, added > 0, false);
  return pc;
}

Word* opSetTextFont(Runtime& rt, Word* pc) {
  setting(rt, RecFontName, 0, cellText(operand(pc, 0)));
  yieldForAutoRefresh(rt);
  return pc + 1;
}

Word* opSetTextSize(Runtime& rt, Word* pc) {
  setting(rt, RecFontSize, operand(pc, 0).i);
  yieldForAutoRefresh(rt);
  return pc + 1;
}

template <int32_t Op>
Word* opTextBackground(Runtime& rt, Word* pc) {
  setting(rt, Op);
  return pc;
}

template <int32_t Style>
Word* opTextStyle(Runtime& rt, Word* pc) {
  setting(rt, RecStyleNormal + Style);
  yieldForAutoRefresh(rt);
  return pc;
}

template <int32_t Op>
Word* opText(Runtime& rt, Word* pc) {
  if (DisplayRecord* r = AddRecord(rt, Op)) {
    r->arg1 = operand(pc, 0).i;
    r->arg2 = operand(pc, 1).i;
    r->setText(cellText(operand(pc, 2)));
  }
  yieldForScreen(rt);
  return pc + 3;
}

Word* opTextFontName(Runtime& rt, Word* pc) {
  storeString(operand(pc, 0), rt.text.TextFontName);
  return pc + 1;
}

template <auto Field>
Word* opTextSetting(Runtime& rt, Word* pc) {
  operand(pc, 0).i = int32_t(rt.text.*Field);
  return pc + 1;
}

template <int Which>
Word* opTextExtent(Runtime& rt, Word* pc) {
  const TextExtent e = measure(rt.text.TextFont.get(), cellText(operand(pc, 1)));
  operand(pc, 0).i = Which == 0 ? e.width : e.height;
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdPerformChecklistForFonts, opChecklistForFonts},
    {CmdSetTextFont, opSetTextFont},
    {CmdSetTextSize, opSetTextSize},
    {CmdSetTextOpaque, opTextBackground<RecTextOpaque>},
    {CmdSetTextTransparent, opTextBackground<RecTextTransparent>},
    {CmdSetTextToNormal, opTextStyle<0>},
    {CmdSetTextToItalic, opTextStyle<1>},
    {CmdSetTextToBold, opTextStyle<2>},
    {CmdSetTextToBolditalic, opTextStyle<3>},
    {CmdText, opText<RecText>},
    {CmdCenterText, opText<RecCenterText>},
    {CmdTextFont, opTextFontName},
    {CmdTextSize, opTextSetting<&TextState::TextSize>},
    {CmdTextBackgroundType, opTextSetting<&TextState::TextOpaque>},
    {CmdTextStyle, opTextSetting<&TextState::TextStyle>},
    {CmdTextWidth, opTextExtent<0>},
    {CmdTextHeight, opTextExtent<1>},
};

void runFontName(Runtime& rt, DisplayRecord& r) {
  rt.text.TextFontName = r.text();
  createTextFont(rt);
}

void runFontSize(Runtime& rt, DisplayRecord& r) {
  rt.text.TextSize = r.arg1;
  createTextFont(rt);
}

template <uint8_t Opaque>
void runTextOpacity(Runtime& rt, DisplayRecord&) {
  rt.text.TextOpaque = Opaque;
}

void runStyle(Runtime& rt, DisplayRecord& r) {
  rt.text.TextStyle = int16_t(r.op - RecStyleNormal);
  createTextFont(rt);
}

void runText(Runtime& rt, Surface& s, const DisplayRecord& r) {
  drawText(rt, s, rt.text.TextFont.get(), r, r.arg1, rt.text.TextOpaque, false);
}

void runCenterText(Runtime& rt, Surface& s, const DisplayRecord& r) {
  const TextState& t = rt.text;
  drawText(rt, s, t.TextFont.get(), r, wrapAdd(r.arg1, -(measure(t.TextFont.get(), r.text()).width / 2)), t.TextOpaque,
           false);
}

void runPrint(Runtime& rt, Surface& s, const DisplayRecord& r) {
  drawText(rt, s, rt.text.PrintFont.get(), r, r.arg1, r.opaque, false);
}

void runEraseText(Runtime& rt, Surface& s, const DisplayRecord& r) {
  drawText(rt, s, rt.text.PrintFont.get(), r, r.arg1, true, true);
}

const RecordRow Records[] = {
    {RecPrint, onSurface<runPrint>},
    {RecEraseText, onSurface<runEraseText>},
    {RecFontName, runFontName},
    {RecFontSize, runFontSize},
    {RecTextOpaque, runTextOpacity<1>},
    {RecTextTransparent, runTextOpacity<0>},
    {RecStyleNormal, runStyle},
    {RecStyleNormal + 1, runStyle},
    {RecStyleNormal + 2, runStyle},
    {RecStyleBoldItalic, runStyle},
    {RecText, onSurface<runText>},
    {RecCenterText, onSurface<runCenterText>},
};

}  // namespace

void startText(Runtime& rt) {
  TextState& t = rt.text;
  if (!t.Fonts) {
    std::string why;
    t.Fonts = FontLibrary::create(why);
    if (!t.Fonts) LogEngineError(rt, "Failed to start the font library: " + why);
  }
  t.TextFontName = "system";
  t.TextSize = PrintFontHeight;
  t.TextOpaque = 0;
  t.TextStyle = 0;
  createTextFont(rt);
  t.PrintFont = t.Fonts ? t.Fonts->open("system", PrintFontHeight, false, false) : nullptr;
}

void AddPrintRecord(Runtime& rt, std::string_view text, int32_t& x, int32_t& y, bool keepOnLine, bool wrap,
                    bool opaque) {
  if (DisplayRecord* r = AddRecord(rt, RecPrint)) {
    r->arg1 = x;
    r->arg2 = y;
    r->opaque = opaque;
    r->setText(text);
  }
  const TextExtent e = measure(rt.text.PrintFont.get(), text.substr(0, 255));
  if (keepOnLine) {
    x = wrapAdd(x, e.width);
  } else {
    x = 0;
    y = wrapAdd(y, e.height);
  }
  if (wrap && x >= rt.display.ScreenWidth) {
    x = 0;
    y = wrapAdd(y, e.height);
  }
}

void AddEraseRecord(Runtime& rt, std::string_view text, int32_t x, int32_t y) {
  if (DisplayRecord* r = AddRecord(rt, RecEraseText)) {
    r->arg1 = x;
    r->arg2 = y;
    r->setText(text);
  }
}

extern const std::span<const CommandRow> TextRows(Rows);
extern const std::span<const RecordRow> TextRecords(Records);

}  // namespace zt
