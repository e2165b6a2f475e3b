#include "screen/view_classes.h"

#include "archive/object.h"
#include "screen/appear.h"
#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "screen/geometry_values.h"
#include "screen/tol_font.h"
#include "screen/var_view.h"
#include "screen/var_window.h"

namespace tav::screen {

void RegisterViewClasses() {
  // Registering a record again and defining a filled table again both do nothing.
  for (const archive::ClassInfo* info :
       {&TOL_VarRect::kClassInfo, &TOL_VarPoint::kClassInfo, &TOL_VarSize::kClassInfo,
        &TOL_VarFont::kClassInfo, &TOL_Font::kClassInfo, &TOL_VarWindow::kClassInfo,
        &TOL_VarView::kClassInfo, &TOL_VarAppear::kClassInfo, &TOL_VarColorAppear::kClassInfo,
        &TOL_VarFontAppear::kClassInfo, &TOL_VarStringAppear::kClassInfo,
        &TOL_VarTextAppear::kClassInfo, &TOL_VarFormTextApp::kClassInfo,
        &TOL_VarBoxAppear::kClassInfo, &TOL_VarBoxFillAppear::kClassInfo}) {
    archive::RegisterClass(*info);
  }
  DefineWindowMethods();
  DefineViewMethods();
  DefineAppearMethods();
  DefineTextMethods();
}

}  // namespace tav::screen
