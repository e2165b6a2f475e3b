// A view holding one appearance of every class, every field set away from its default, and a
// helper that stores any value as an archive object reference.
#pragma once

#include <vector>

#include "archive/archive.h"
#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "screen/var_view.h"
#include "script/core/scalars.h"

namespace tav::screen::testing {

inline std::vector<uint8_t> Stored(script::TOL_Var* value) {
  archive::Archive ar = archive::Archive::ForWriting();
  ar.WriteObject(value);
  return ar.Bytes();
}

inline LogFont SampleFont(int32_t height) {
  LogFont font;
  font.height = height;
  font.weight = 700;
  font.charSet = 128;
  font.SetFaceName("\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E");
  return font;
}

inline void Populate(TOL_VarAppear& appear, int32_t n) {
  appear.SetRect(n, n + 1, n + 2, n + 3);
  appear.SetActiveNumber(n + 4);
  appear.SetPartNumber(n + 5);
  appear.SetIndexOffset(-n);
  appear.SetKeyWord(0xFE000000u | static_cast<uint32_t>(n));
  appear.SetReserved(n + 6);
  appear.SetCondition("FLAG != " + std::to_string(n));
  appear.SetMember(script::NewInt(n).get(), "EXTRA");
  if (auto* color = dynamic_cast<TOL_VarColorAppear*>(&appear)) {
    color->SetColor(0x010203u * static_cast<uint32_t>(n));
    color->SetShadowColor(0x112233);
    color->SetShadowOffset(n, -n);
  }
  if (auto* font = dynamic_cast<TOL_VarFontAppear*>(&appear)) {
    font->SetFont(script::Make<TOL_Font>(SampleFont(-n)));
  }
  if (auto* string = dynamic_cast<TOL_VarStringAppear*>(&appear)) {
    string->SetWidth(n + 7);
    string->SetFormat(2);
    string->SetPadChar('*');
    string->SetText(std::string(300, 'x'));  // a length past one byte
  }
  if (auto* form = dynamic_cast<TOL_VarFormTextApp*>(&appear)) form->SetTextExpression("\"HP \" + HP");
  if (auto* box = dynamic_cast<TOL_VarBoxAppear*>(&appear)) box->SetPenWidth(n + 8);
  if (auto* fill = dynamic_cast<TOL_VarBoxFillAppear*>(&appear)) fill->SetFillColor(0x0000FF);
}

template <class T>
void AddSample(TOL_VarView& view, int32_t n) {
  auto appear = script::Make<T>();
  Populate(*appear, n);
  view.AddChild(appear);
}

// Children in this order: appearance, colour, font, string, text, form text, box, filled box.
inline script::Ref<TOL_VarView> SampleView() {
  auto view = script::Make<TOL_VarView>();
  view->SetRect(0, 0, 800, 600);
  view->SetFont(script::Make<TOL_Font>(SampleFont(-12)));
  view->SetMember(script::NewString("title").get(), "CAPTION");
  AddSample<TOL_VarAppear>(*view, 1);
  AddSample<TOL_VarColorAppear>(*view, 2);
  AddSample<TOL_VarFontAppear>(*view, 3);
  AddSample<TOL_VarStringAppear>(*view, 4);
  AddSample<TOL_VarTextAppear>(*view, 5);
  AddSample<TOL_VarFormTextApp>(*view, 6);
  AddSample<TOL_VarBoxAppear>(*view, 7);
  AddSample<TOL_VarBoxFillAppear>(*view, 8);
  return view;
}

}  // namespace tav::screen::testing
