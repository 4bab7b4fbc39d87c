// The late-bound members of GlazeCheck, declared once. Model dispatch, the COM
// server, persistence and the tests all reach the properties through this table.
#include <array>

#include "frame/color_variant.h"
#include "controls/check/glaze_check.h"
#include "frame/members.h"

namespace vitrelle {

namespace {

using Binding = MemberBinding<GlazeCheck>;

const std::array<Binding, 21> kMembers = {{
    {"value", [](GlazeCheck& c) { return Variant::Integer(c.Value()); },
     [](GlazeCheck& c, const Variant& v) { c.SetValue(v.ToInteger()); }},
    {"hwnd", [](GlazeCheck& c) { return Variant::Long(c.hWnd()); }},
    {"Enabled", [](GlazeCheck& c) { return Variant::Boolean(c.Enabled()); },
     [](GlazeCheck& c, const Variant& v) { c.SetEnabled(v.ToBoolean()); }},
    {"Caption", [](GlazeCheck& c) { return Variant::String(c.Caption()); },
     [](GlazeCheck& c, const Variant& v) { c.SetCaption(v.ToString()); }},
    {"BackStyle", [](GlazeCheck& c) { return Variant::Long(c.BackStyle()); },
     [](GlazeCheck& c, const Variant& v) { c.SetBackStyle(v.ToLong()); }},
    {"Appearance", [](GlazeCheck& c) { return Variant::Long(c.Appearance()); },
     [](GlazeCheck& c, const Variant& v) { c.SetAppearance(v.ToLong()); }},
    {"Alignment", [](GlazeCheck& c) { return Variant::Long(c.Alignment()); },
     [](GlazeCheck& c, const Variant& v) { c.SetAlignment(v.ToLong()); }},
    {"BackColor", [](GlazeCheck& c) { return FromOleColor(c.BackColor()); },
     [](GlazeCheck& c, const Variant& v) { c.SetBackColor(ToOleColor(v)); }},
    {"ForeColor", [](GlazeCheck& c) { return FromOleColor(c.ForeColor()); },
     [](GlazeCheck& c, const Variant& v) { c.SetForeColor(ToOleColor(v)); }},
    {"Font", [](GlazeCheck& c) { return Variant::OfFont(c.GetFont()); },
     [](GlazeCheck& c, const Variant& v) { c.SetFont(v.ToFont()); }},
    {"FontUnderline", [](GlazeCheck& c) { return Variant::Boolean(c.FontUnderline()); },
     [](GlazeCheck& c, const Variant& v) { c.SetFontUnderline(v.ToBoolean()); }},
    {"FontTransparent", [](GlazeCheck& c) { return Variant::Boolean(c.FontTransparent()); },
     [](GlazeCheck& c, const Variant& v) { c.SetFontTransparent(v.ToBoolean()); }},
    {"FontStrikethru", [](GlazeCheck& c) { return Variant::Boolean(c.FontStrikethru()); },
     [](GlazeCheck& c, const Variant& v) { c.SetFontStrikethru(v.ToBoolean()); }},
    {"FontSize", [](GlazeCheck& c) { return Variant::Single(c.FontSize()); },
     [](GlazeCheck& c, const Variant& v) { c.SetFontSize(v.ToSingle()); }},
    {"FontName", [](GlazeCheck& c) { return Variant::String(c.FontName()); },
     [](GlazeCheck& c, const Variant& v) { c.SetFontName(v.ToString()); }},
    {"FontItalic", [](GlazeCheck& c) { return Variant::Boolean(c.FontItalic()); },
     [](GlazeCheck& c, const Variant& v) { c.SetFontItalic(v.ToBoolean()); }},
    {"FontBold", [](GlazeCheck& c) { return Variant::Boolean(c.FontBold()); },
     [](GlazeCheck& c, const Variant& v) { c.SetFontBold(v.ToBoolean()); }},
    {"MouseIcon", [](GlazeCheck& c) { return Variant::OfPicture(c.MouseIcon()); },
     [](GlazeCheck& c, const Variant& v) { c.SetMouseIcon(v.ToPicture()); }},
    {"MousePointer", [](GlazeCheck& c) { return Variant::Long(c.MousePointer()); },
     [](GlazeCheck& c, const Variant& v) { c.SetMousePointer(v.ToLong()); }},
    {"Refresh", nullptr, nullptr, [](GlazeCheck& c) { c.Refresh(); }},
    {"DisplayAboutBox", nullptr, nullptr, [](GlazeCheck& c) { c.DisplayAboutBox(); }},
}};

}  // namespace

Variant GlazeCheck::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  return InvokeMember<GlazeCheck>(*this, kMembers, member, kind, args);
}

}  // namespace vitrelle
