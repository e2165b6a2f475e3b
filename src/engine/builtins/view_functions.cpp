// The view built-ins: CreateView, ModalView, RefreshView, ModalRefresh, DestroyView,
// InitializeView, GetTopView and UpdateView.
//
// Each works in the caller's frame: the frame of the script that called it (the innermost
// evaluation's, as a built-in pushes none), not the frame built for the call itself, which is gone
// when the call returns. Members and slots set there (TOP during a refresh, WITH and PARENT of
// the top screen) are what the appearances' conditions and text expressions see while the screen
// updates, and WITH and PARENT stay for the script to read afterwards.
#include "engine/builtins/builtin_bodies.h"
#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "engine/view_stack.h"
#include "os/diagnostics.h"
#include "platform/host.h"
#include "os/running_position.h"
#include "script/compile/constants.h"
#include "script/run/evaluator.h"
#include "script/core/frame.h"
#include "script/methods/method_args.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::engine::builtins {

using script::Atom;
using script::MethodArgs;
using script::Ref;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

namespace {

Atom TopName() {
  static const Atom atom = Atom::Intern("TOP");
  return atom;
}

TAV_GameSystem* Game() { return Services().game; }

// The stored view of that number, or null; null too when the view stack is full, as if there
// were no such view, with an error that names the script line.
screen::TOL_VarView* StoredView(TAV_GameSystem& game, int32_t number) {
  auto* stored = dynamic_cast<screen::TOL_VarView*>(game.View(number));
  if (!stored || !game.Screens().Full()) return stored;
  if (game.Screens().FirstRefusal()) {
    platform::Diagnose(platform::Severity::Error, platform::DescribePosition(platform::RunningPosition()),
                       "no screen is made: " + std::to_string(ViewStack::kMaxScreens) +
                           " screens are stacked already (a game pops screens with DestroyView)");
  }
  return nullptr;
}

// The calling script's frame. A call from outside any script (the engine calling a built-in as
// a resume function, say) works in the frame it was given, or in a new one with the globals.
Ref<TOL_VarObArray> CallerFrame(TAV_GameSystem& game, TOL_VarObArray* frame) {
  if (TOL_VarObArray* caller = script::CurrentFrame()) return Ref<TOL_VarObArray>(caller);
  return frame ? Ref<TOL_VarObArray>(frame) : game.NewGlobalFrame();
}

// RefreshView's steps around the refresh: the frame's member TOP and "_LASTTOP" hold the list
// offset while the top screen updates; TOP goes again afterwards.
class ListOffset {
 public:
  ListOffset(TAV_GameSystem& game, TOL_VarObArray* frame, int32_t top) : frame_(frame) {
    frame_->SetMember(script::NewInt(top).get(), TopName());
    if (TOL_Var* lastTop = game.Globals()->FindMember(Atom::Intern("_LASTTOP"))) {
      lastTop->Assign(script::NewInt(top).get());
    }
  }
  ~ListOffset() { frame_->RemoveMember(TopName()); }
  ListOffset(const ListOffset&) = delete;
  ListOffset& operator=(const ListOffset&) = delete;

 private:
  TOL_VarObArray* frame_;
};

}  // namespace

// A screen made from the stored view and pushed, not drawn: scripts refresh it when they have
// set it up.
VarRef CreateView(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray* frame) {
  MethodArgs a(args);
  TAV_GameSystem* game = Game();
  screen::TOL_VarView* stored = game && a.Has(0) ? StoredView(*game, a.Long(0)) : nullptr;
  if (!stored) return script::NewRef();
  Ref<TOL_VarObArray> context = CallerFrame(*game, frame);
  TAV_Screen* made = game->Screens().Push(*stored);
  if (a.Has(1)) made->SetWith(a.Element(1));
  if (a.Has(3)) made->SetResumeFunction(a.Element(3));
  VarRef answer = script::NewRef(made);  // counted before any script runs
  const bool update = a.Has(2) ? a.Element(2)->GetBool() : true;
  if (update) stored->Initialize(context.get());
  return answer;
}

VarRef ModalView(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray* frame) {
  MethodArgs a(args);
  TAV_GameSystem* game = Game();
  screen::TOL_VarView* stored = game && a.Has(0) ? StoredView(*game, a.Long(0)) : nullptr;
  if (!stored) return nullptr;
  Ref<TOL_VarObArray> context = CallerFrame(*game, frame);
  Ref<TAV_Screen> made(game->Screens().Push(*stored));
  if (a.Has(1)) made->SetWith(a.Element(1));
  stored->Initialize(context.get());
  RefreshTopScreen(*game, context.get());
  return RunModalLoop(*made);
}

VarRef RefreshView(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray* frame) {
  TAV_GameSystem* game = Game();
  if (!game) return nullptr;
  Ref<TOL_VarObArray> context = CallerFrame(*game, frame);
  ListOffset offset(*game, context.get(), MethodArgs(args).Long(0, 0));
  RefreshTopScreen(*game, context.get());
  return nullptr;
}

VarRef ModalRefresh(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray* frame) {
  TAV_GameSystem* game = Game();
  if (!game || game->Screens().Empty()) return nullptr;
  Ref<TOL_VarObArray> context = CallerFrame(*game, frame);
  ListOffset offset(*game, context.get(), MethodArgs(args).Long(0, 0));
  RefreshTopScreen(*game, context.get());
  Ref<TAV_Screen> top(game->Screens().Top());
  return RunModalLoop(*top);
}

// The result goes to the top screen (the base screen too, which is never popped), ending a
// modal loop that waits on it; then the screens go, and the new top resumes.
VarRef DestroyView(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  TAV_GameSystem* game = Game();
  if (!game || game->Screens().Empty()) return nullptr;
  TOL_Var* result = a.Has(0) ? a.Element(0) : script::constants::Find("NULL");
  game->Screens().Top()->SetResult(result);
  game->Screens().Pop(a.Long(1, 1));
  Ref<TAV_Screen> top(game->Screens().Top());
  if (TOL_Var* resume = top->ResumeFunction()) {
    VarRef keep(resume);
    Ref<TOL_VarObArray> event = EventFrame(*game, *top, /*parentOnlyForArrays=*/true);
    VarRef answer = resume->Call(event.get());
  }
  return nullptr;
}

VarRef InitializeView(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray* frame) {
  MethodArgs a(args);
  TAV_GameSystem* game = Game();
  if (!game || game->Screens().Empty()) return nullptr;
  Ref<TAV_Screen> top(game->Screens().Top());
  TOL_Var* with = a.Has(0) ? a.Element(0) : nullptr;
  const bool redraw = a.Has(1) ? a.Element(1)->GetBool() : true;
  top->SetWith(with);
  // The caller's elements, each counted again; no members.
  Ref<TOL_VarObArray> caller = CallerFrame(*game, frame);
  Ref<TOL_VarObArray> context = script::NewArray();
  for (const VarRef& element : caller->Elements()) context->Add(element.get());
  if (with) context->SetAt(script::kWithSlot, with);
  top->Initialize(context.get());
  if (redraw) {
    top->Update(context.get());
    top->DrawScreen();
  }
  if (platform::Host* host = Services().host) host->Invalidate();
  return nullptr;
}

VarRef GetTopView(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  TAV_GameSystem* game = Game();
  return script::NewRef(game ? game->Screens().Top() : nullptr);
}

VarRef UpdateView(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  if (platform::Host* host = Services().host) host->UpdateWindow();
  return nullptr;
}

}  // namespace tav::engine::builtins
