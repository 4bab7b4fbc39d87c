// Text with FreeType. A face name resolves to a font file the way Wine's GDI resolves
// it (a family installed under that name, else the first installed of the sans faces
// it falls back to), so that both hosts measure a caption in the same file. Everything
// is rendered unhinted at whole-pixel pen positions, each glyph advancing by its
// rounded unhinted width and without kerning (as the platform's plain text output
// does), so widths are sums of per-glyph integers and the pixels depend only on the
// font files.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <strings.h>
#include <tuple>
#include <vector>

#include "hosts/model/display.h"
#include "hosts/model/screen.h"
#include "hosts/model/text_internal.h"

namespace vitrelle::model {

namespace internal {

namespace {

// What the platform's font mapper falls back to for a face it does not have, in its
// order; the OLE font asks for no particular family or pitch, so the sans list.
constexpr const char* kFallbackFaces[] = {"Arial", "Liberation Sans", "DejaVu Sans"};

// Rounds value * numerator / denominator to the nearest integer, halves up, in exact
// integer arithmetic (no floating point on the way from font units to pixels).
int64_t ScaleRound(int64_t value, int64_t numerator, int64_t denominator) {
  const int64_t n = value * numerator;
  return n >= 0 ? (2 * n + denominator) / (2 * denominator) : -((-2 * n + denominator) / (2 * denominator));
}

struct Glyph {
  int advance = 0;
  int left = 0, top = 0, width = 0, rows = 0;
  std::vector<uint8_t> coverage;
};

class FontEngine {
 public:
  static FontEngine& Get() {
    static FontEngine engine;
    return engine;
  }

  FontEngine(const FontEngine&) = delete;
  FontEngine& operator=(const FontEngine&) = delete;

  ~FontEngine() {
    for (FT_Face f : faces_) FT_Done_Face(f);
    if (library_ != nullptr) FT_Done_FreeType(library_);
    if (config_ != nullptr) FcConfigDestroy(config_);
  }

  // The em in whole pixels at the display's dpi, in 26.6, at least a pixel. The
  // platform's font object asks for a whole pixel height and rounds a half down
  // (8.25 points: 11 pixels at 96 dpi, 16 at 144).
  static int64_t PixelSize64(float points) {
    double px = std::isfinite(points) ? static_cast<double>(points) * DisplayDpi() / 72.0 : 0.0;
    px = std::clamp(std::ceil(px - 0.5), 1.0, 4096.0);
    return static_cast<int64_t>(px) * 64;
  }

  // The loaded face for a font's name, weight and slant.
  int FaceIndex(const FontSpec& font) {
    std::string key = font.name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    key += font.bold ? "|b" : "|r";
    key += font.italic ? "i" : "u";
    if (auto it = face_of_font_.find(key); it != face_of_font_.end()) return it->second;
    const std::string path = ResolveFile(font);
    int index;
    if (auto it = face_of_file_.find(path); it != face_of_file_.end()) {
      index = it->second;
    } else {
      FT_Face face = nullptr;
      if (FT_New_Face(library_, path.c_str(), 0, &face) != 0) throw std::runtime_error("cannot open the font " + path);
      index = static_cast<int>(faces_.size());
      faces_.push_back(face);
      sizes_.push_back(0);
      face_of_file_.emplace(path, index);
    }
    face_of_font_.emplace(key, index);
    return index;
  }

  FT_Face Face(int index) { return faces_[static_cast<size_t>(index)]; }

  LineMetrics Metrics(int face_index, int64_t px64) {
    FT_Face f = Face(face_index);
    const int64_t units = 64LL * f->units_per_EM;
    // The platform's text metrics come from the Windows ascent and descent where the
    // font has them; the horizontal header's are a fallback.
    int64_t ascent = f->ascender, descent = -f->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
        os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
      ascent = os2->usWinAscent;
      descent = os2->usWinDescent;
    }
    return {static_cast<int>(ScaleRound(ascent, px64, units)), static_cast<int>(ScaleRound(descent, px64, units))};
  }

  const Glyph& GlyphOf(int face_index, int64_t px64, char32_t code) {
    const auto key = std::make_tuple(face_index, px64, code);
    if (auto it = glyphs_.find(key); it != glyphs_.end()) return it->second;
    FT_Face f = Face(face_index);
    if (sizes_[static_cast<size_t>(face_index)] != px64) {
      if (FT_Set_Char_Size(f, 0, static_cast<FT_F26Dot6>(px64), 72, 72) != 0)
        throw std::runtime_error("cannot size the text font");
      sizes_[static_cast<size_t>(face_index)] = px64;
    }
    Glyph g;
    if (FT_Load_Char(f, code, FT_LOAD_NO_HINTING | FT_LOAD_RENDER) == 0) {
      const FT_GlyphSlot slot = f->glyph;
      g.advance = static_cast<int>((slot->linearHoriAdvance + 0x8000) >> 16);
      g.left = slot->bitmap_left;
      g.top = slot->bitmap_top;
      g.width = static_cast<int>(slot->bitmap.width);
      g.rows = static_cast<int>(slot->bitmap.rows);
      g.coverage.resize(static_cast<size_t>(g.width) * g.rows);
      for (int r = 0; r < g.rows; ++r)
        std::copy_n(slot->bitmap.buffer + static_cast<ptrdiff_t>(r) * slot->bitmap.pitch, g.width,
                    g.coverage.data() + static_cast<size_t>(r) * g.width);
    }
    return glyphs_.emplace(key, std::move(g)).first->second;
  }

 private:
  FontEngine() {
    if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("cannot start FreeType");
    config_ = FcInitLoadConfigAndFonts();
    if (config_ == nullptr) throw std::runtime_error("cannot read the fontconfig configuration");
  }

  // The file of a family installed under exactly `family`, in the weight and slant
  // asked for where the family has them; empty when no such family is installed.
  std::string InstalledFile(const std::string& family, const FontSpec& font) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, font.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config_, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config_, pattern, &result);
    FcPatternDestroy(pattern);
    std::string file;
    if (match != nullptr) {
      // fontconfig always answers with something; only a face of that very family
      // counts, as the platform takes no look-alike for a name it does not have.
      FcChar8* name = nullptr;
      bool same_family = false;
      for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) same_family = true;
      FcChar8* path = nullptr;
      if (same_family && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
        file = reinterpret_cast<const char*>(path);
      FcPatternDestroy(match);
    }
    return file;
  }

  std::string ResolveFile(const FontSpec& font) {
    if (!font.name.empty())
      if (std::string file = InstalledFile(font.name, font); !file.empty()) return file;
    for (const char* fallback : kFallbackFaces)
      if (std::string file = InstalledFile(fallback, font); !file.empty()) return file;
    throw std::runtime_error("no font for \"" + font.name +
                             "\" and none of its fallbacks is installed (Debian packages fonts-liberation, "
                             "fonts-dejavu-core)");
  }

  FT_Library library_ = nullptr;
  FcConfig* config_ = nullptr;
  std::vector<FT_Face> faces_;
  std::vector<int64_t> sizes_;
  std::map<std::string, int> face_of_file_, face_of_font_;
  std::map<std::tuple<int, int64_t, char32_t>, Glyph> glyphs_;
};

// The next code point of UTF-8 text; a malformed sequence gives U+FFFD and skips a byte.
char32_t NextCodePoint(std::string_view s, size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  auto cont = [&](size_t k) { return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; };
  auto bits = [&](size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
  char32_t cp = 0xFFFD;
  size_t len = 1;
  if (b0 < 0x80) {
    cp = b0;
  } else if ((b0 & 0xE0) == 0xC0 && cont(1)) {
    cp = (static_cast<char32_t>(b0 & 0x1F) << 6) | bits(1);
    len = cp >= 0x80 ? 2 : 1;
    if (len == 1) cp = 0xFFFD;
  } else if ((b0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
    cp = (static_cast<char32_t>(b0 & 0x0F) << 12) | (bits(1) << 6) | bits(2);
    len = cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF) ? 3 : 1;
    if (len == 1) cp = 0xFFFD;
  } else if ((b0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
    cp = (static_cast<char32_t>(b0 & 0x07) << 18) | (bits(1) << 12) | (bits(2) << 6) | bits(3);
    len = cp >= 0x10000 && cp <= 0x10FFFF ? 4 : 1;
    if (len == 1) cp = 0xFFFD;
  }
  i += len;
  return cp;
}

template <class Fn>
void ForEachLine(std::string_view text, Fn fn) {
  size_t start = 0;
  int index = 0;
  while (true) {
    const size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    fn(line, index++);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

int LineWidth(FontEngine& engine, std::string_view line, int face, int64_t px64) {
  int width = 0;
  for (size_t i = 0; i < line.size();) width += engine.GlyphOf(face, px64, NextCodePoint(line, i)).advance;
  return width;
}

}  // namespace

LineMetrics MetricsOf(const FontSpec& font) {
  FontEngine& engine = FontEngine::Get();
  return engine.Metrics(engine.FaceIndex(font), FontEngine::PixelSize64(font.size));
}

void RenderText(std::string_view utf8, const FontSpec& font, int x, int y, TextSink& sink) {
  FontEngine& engine = FontEngine::Get();
  const int face_index = engine.FaceIndex(font);
  const int64_t px64 = FontEngine::PixelSize64(font.size);
  const LineMetrics metrics = engine.Metrics(face_index, px64);
  const FT_Face face = engine.Face(face_index);
  const int64_t units = 64LL * face->units_per_EM;
  const int underline_thickness =
      std::max<int>(1, static_cast<int>(ScaleRound(face->underline_thickness, px64, units)));
  const int underline_offset = std::max<int>(1, static_cast<int>(ScaleRound(-face->underline_position, px64, units)));
  int strike_position = metrics.ascent / 3, strike_thickness = underline_thickness;
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    strike_position = static_cast<int>(ScaleRound(os2->yStrikeoutPosition, px64, units));
    strike_thickness = std::max<int>(1, static_cast<int>(ScaleRound(os2->yStrikeoutSize, px64, units)));
  }

  // A glyph's ink may reach past its cell, but not by more than a line's height: a
  // glyph whose pen lies further than that beyond the visible area cannot show.
  const Rect visible = sink.Visible();
  const int reach = metrics.Height();
  ForEachLine(utf8, [&](std::string_view line, int index) {
    const int top = y + index * metrics.Height();
    if (top - reach >= visible.bottom || top + metrics.Height() + reach <= visible.top) return;
    const int baseline = top + metrics.ascent;
    int pen = x;
    for (size_t i = 0; i < line.size() && pen - reach < visible.right;) {
      const Glyph& g = engine.GlyphOf(face_index, px64, NextCodePoint(line, i));
      const Rect ink{pen + g.left, baseline - g.top, pen + g.left + g.width, baseline - g.top + g.rows};
      if (!ink.Intersect(visible).Empty()) sink.Coverage(ink.left, ink.top, g.width, g.rows, g.coverage.data(), g.width);
      pen += g.advance;
    }
    if (pen == x) return;
    // A line cut short at the right still has its bars across all that shows.
    auto bar = [&](const Rect& r) {
      if (!r.Intersect(visible).Empty()) sink.Bar(r);
    };
    if (font.underline) {
      // Inside the line even where the font would put it lower.
      const int bar_top = std::min(baseline + underline_offset, top + metrics.Height() - underline_thickness);
      bar({x, bar_top, pen, bar_top + underline_thickness});
    }
    if (font.strikethrough) {
      const int bar_top = baseline - strike_position;
      bar({x, bar_top, pen, bar_top + strike_thickness});
    }
  });
}

}  // namespace internal

TextExtent MeasureText(std::string_view utf8, const FontSpec& font) {
  internal::FontEngine& engine = internal::FontEngine::Get();
  const int face_index = engine.FaceIndex(font);
  const int64_t px64 = internal::FontEngine::PixelSize64(font.size);
  const int line_height = engine.Metrics(face_index, px64).Height();
  TextExtent extent;
  internal::ForEachLine(utf8, [&](std::string_view line, int) {
    extent.width = std::max(extent.width, internal::LineWidth(engine, line, face_index, px64));
    extent.height += line_height;
  });
  return extent;
}

}  // namespace vitrelle::model
