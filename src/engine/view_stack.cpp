#include "engine/view_stack.h"

#include <string>

#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "engine/message_pump.h"
#include "platform/host.h"
#include "script/core/frame.h"
#include "script/core/scalars.h"

namespace tav::engine {

using script::Atom;
using script::Ref;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

namespace {

Atom MemberName(const char* name) { return Atom::Intern(name); }

void Invalidate() {
  if (platform::Host* host = Services().host) host->Invalidate();
}

// Assigns an INT to a member of the global object when the game still has it.
void AssignGlobalInt(TOL_Var* globals, const char* name, int32_t value) {
  if (!globals) return;
  if (TOL_Var* member = globals->FindMember(MemberName(name))) member->Assign(script::NewInt(value).get());
}

// The member of the global object, or null.
TOL_Var* GlobalMember(TOL_Var* globals, const char* name) {
  return globals ? globals->FindMember(MemberName(name)) : nullptr;
}

bool Contains(const screen::WindowRect& rect, int x, int y) {
  return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

// Sets "_NUMBER" and "_INDEX" for `appear`, then runs the screen's LEFTDOWN handler of its
// active number, if the screen has one.
void RaiseLeftDown(TAV_GameSystem& game, TAV_Screen& screen, const screen::TOL_VarAppear& appear) {
  TOL_Var* globals = game.Globals();
  AssignGlobalInt(globals, "_NUMBER", appear.PartNumber());
  TOL_Var* index = GlobalMember(globals, "_INDEX");
  TOL_Var* lastTop = GlobalMember(globals, "_LASTTOP");
  if (index && lastTop) {
    // 32-bit arithmetic that wraps, as the machine's addition does.
    uint32_t sum = static_cast<uint32_t>(appear.IndexOffset()) + static_cast<uint32_t>(lastTop->GetLong());
    index->Assign(script::NewInt(static_cast<int32_t>(sum)).get());
  }
  TOL_Var* handler = screen.FindMember(MemberName(("LEFTDOWN" + std::to_string(appear.ActiveNumber())).c_str()));
  if (!handler) return;
  VarRef keepHandler(handler);  // the handler may replace the member it came from
  Ref<TOL_VarObArray> frame = EventFrame(game, screen);
  VarRef result = handler->Call(frame.get());
}

}  // namespace

// ---- the stack ----------------------------------------------------------------------------

void ViewStack::CreateBase() { screens_.push_back(script::Make<TAV_Screen>()); }

TAV_Screen* ViewStack::Push(screen::TOL_VarView& stored) {
  auto made = script::Make<TAV_Screen>(Top());
  // The copy takes the rectangle, font, appearances and members (handlers are shared).
  stored.Clone(made.get());
  screens_.push_back(made);
  refused_ = false;
  return made.get();
}

void ViewStack::Pop(int32_t count) {
  for (int32_t i = 0; i < count && screens_.size() > 1; ++i) {
    screens_.back()->DetachBelow();
    screens_.pop_back();
  }
}

// ---- refresh, modal loops, frames -------------------------------------------------------

void RefreshTopScreen(TAV_GameSystem& game, TOL_VarObArray* frame) {
  Ref<TAV_Screen> top(game.Screens().Top());
  if (top && frame) {
    if (TOL_Var* with = top->With()) {
      frame->SetAt(script::kWithSlot, with);
      frame->SetMember(with, MemberName("WITH"));
      frame->SetMember(with, MemberName("PARENT"));
    }
    VarRef previous(frame->GetAt(script::kThisSlot));
    frame->SetAt(script::kThisSlot, top.get());
    top->Update(frame);
    top->DrawScreen();
    if (previous) frame->SetAt(script::kThisSlot, previous.get());
  }
  Invalidate();
}

VarRef RunModalLoop(TAV_Screen& screen) {
  Ref<TAV_Screen> keep(&screen);
  while (!screen.HasResult() && !Services().closing) {
    if (!WaitAndPumpOneMessage()) break;
  }
  return VarRef(screen.Result());
}

Ref<TOL_VarObArray> EventFrame(TAV_GameSystem& game, TAV_Screen& screen, bool parentOnlyForArrays) {
  Ref<TOL_VarObArray> frame = script::NewFrame(nullptr, &screen, game.Globals());
  if (TOL_Var* with = screen.With()) {
    frame->SetAt(script::kWithSlot, with);
    frame->SetMember(with, MemberName("WITH"));
    if (!parentOnlyForArrays || with->GetType() == script::kTypeArray) {
      frame->SetMember(with, MemberName("PARENT"));
    }
  }
  return frame;
}

// ---- input --------------------------------------------------------------------------------

void DispatchClick(TAV_GameSystem& game, int x, int y) {
  Ref<TAV_Screen> top(game.Screens().Top());
  if (!top) return;
  const screen::TOL_VarView::ChildList children = top->Children();
  for (size_t i = 0; i < children.size(); ++i) {
    const screen::TOL_VarAppear& child = *children[i];
    if (!top->WasVisible(i) || child.ActiveNumber() == 0 || !Contains(child.Rect(), x, y)) continue;
    RaiseLeftDown(game, *top, child);
    return;
  }
}

void DispatchKey(TAV_GameSystem& game, int virtualKey) {
  Ref<TAV_Screen> top(game.Screens().Top());
  if (!top) return;
  const screen::TOL_VarView::ChildList children = top->Children();
  for (size_t i = 0; i < children.size(); ++i) {
    const screen::TOL_VarAppear& child = *children[i];
    if (!top->WasVisible(i) || child.ActiveNumber() == 0) continue;
    const uint32_t key = child.KeyCode();
    if (key == 0 || (key != screen::TOL_VarAppear::kAnyKey && key != static_cast<uint32_t>(virtualKey))) continue;
    if (child.KeyWord() & screen::TOL_VarAppear::kKeyClickFlag) RaiseLeftDown(game, *top, child);
    return;
  }
}

}  // namespace tav::engine
