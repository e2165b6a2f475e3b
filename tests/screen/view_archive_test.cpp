#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>

#include "archive/archive.h"
#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "screen/var_view.h"
#include "screen/view_classes.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "view_samples.h"

namespace tav::screen {
namespace {

using script::Make;
using script::Ref;

std::vector<uint8_t> Hex(std::string_view text) {
  std::vector<uint8_t> bytes;
  std::string digits;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c))) digits.push_back(c);
  }
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::vector<uint8_t> Ascii(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// A view without members at rectangle (10, 20, 30, 40): the object part, the rectangle.
const std::vector<uint8_t> kViewHead =
    Hex("0100 0100 00000080 0000  0A000000 14000000 1E000000 28000000");

class ViewFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    script::InitializeRuntime();
    RegisterViewClasses();
  }
  void TearDown() override { script::Registry::CollectGarbageAll(); }

  static Ref<TOL_VarView> Load(const std::vector<uint8_t>& bytes, std::string& error) {
    error.clear();
    return LoadView(bytes, error);
  }
};

TEST_F(ViewFiles, ATextAppearanceIsStoredFieldByField) {
  auto view = Make<TOL_VarView>();
  view->SetRect(10, 20, 30, 40);
  auto text = Make<TOL_VarTextAppear>();
  text->SetActiveNumber(3);
  text->SetPartNumber(4);
  text->SetIndexOffset(5);
  text->SetKeyWord(0x01000041);
  text->SetReserved(6);
  text->SetColor(0x00FF00);
  text->SetShadowColor(0x112233);
  text->SetShadowOffset(1, 2);
  text->SetWidth(8);
  text->SetFormat(2);
  text->SetPadChar('*');
  text->SetText("Hi");
  view->AddChild(text);

  const std::vector<uint8_t> expected = Join({
      kViewHead,
      Hex("0000 0100"),                            // no font; one child
      Hex("FFFF 0100 1100"), Ascii("TOL_VarTextAppear"),
      Hex("0100 0100 00000080 0000  64000000 64000000 2C010000 C8000000"),
      Hex("0100 03000000 04000000 05000000 41000001 06000000 01"), Ascii("1"),
      Hex("0100 00FF0000 33221100 01000000 02000000"),
      Hex("0000"),                                 // the appearance's own font: none
      Hex("0100 08000000 02000000 2A"),
      Hex("02"), Ascii("Hi"),
  });
  EXPECT_EQ(StoreView(*view), expected);

  std::string error;
  Ref<TOL_VarView> loaded = Load(expected, error);
  ASSERT_NE(loaded, nullptr) << error;
  EXPECT_EQ(loaded->Rect(), (WindowRect{10, 20, 30, 40}));
  ASSERT_EQ(loaded->Children().size(), 1u);
  auto* child = dynamic_cast<TOL_VarTextAppear*>(loaded->Children()[0].get());
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->KeyWord(), 0x01000041u);
  EXPECT_EQ(child->ShadowColor(), 0x112233u);
  EXPECT_EQ(child->PadChar(), '*');
  EXPECT_EQ(child->Text(), "Hi");
  EXPECT_EQ(loaded->Flags().Size(), 1u);
  EXPECT_EQ(StoreView(*loaded), expected);
}

TEST_F(ViewFiles, AFontIsExactlyTheSixtyBytesOfItsDescription) {
  auto view = Make<TOL_VarView>();
  view->SetRect(10, 20, 30, 40);
  LogFont description;
  description.height = -16;
  description.weight = 700;
  description.charSet = 128;
  description.pitchAndFamily = 0x31;
  description.SetFaceName("Face");
  description.faceName[20] = 0x5A;  // bytes after the terminator are kept as they are
  view->SetFont(Make<TOL_Font>(description));

  const std::vector<uint8_t> expected = Join({
      kViewHead,
      Hex("FFFF 0100 0800"), Ascii("TOL_Font"),
      Hex("F0FFFFFF 00000000 00000000 00000000 BC020000  00 00 00 80 00 00 00 31"),
      Ascii("Face"), Hex("0000000000000000 0000000000000000 5A00000000000000 00000000"),
      Hex("0000"),
  });
  std::vector<uint8_t> stored = StoreView(*view);
  EXPECT_EQ(stored, expected);

  std::string error;
  Ref<TOL_VarView> loaded = Load(stored, error);
  ASSERT_NE(loaded, nullptr) << error;
  ASSERT_NE(loaded->Font(), nullptr);
  EXPECT_EQ(loaded->Font()->Description(), description);
  EXPECT_EQ(loaded->Font()->Description().FaceName(), "Face");
}

TEST_F(ViewFiles, EveryAppearanceClassSurvivesAByteIdenticalRoundTrip) {
  auto view = testing::SampleView();
  view->AddChild(view->Children()[6]);  // the same child twice: a back-reference
  std::vector<uint8_t> first = StoreView(*view);
  std::string error;
  Ref<TOL_VarView> loaded = Load(first, error);
  ASSERT_NE(loaded, nullptr) << error;
  EXPECT_EQ(StoreView(*loaded), first);

  // The fields the exact-layout tests above do not reach were read, not just skipped.
  const auto& children = loaded->Children();
  ASSERT_EQ(children.size(), 9u);
  EXPECT_EQ(children[0]->Condition().Source(), "FLAG != 1");
  EXPECT_EQ(children[0]->FindMember("EXTRA")->GetLong(), 1);
  EXPECT_EQ(dynamic_cast<TOL_VarFontAppear*>(children[2].get())->Font()->Description(),
            testing::SampleFont(-3));
  EXPECT_EQ(dynamic_cast<TOL_VarStringAppear*>(children[3].get())->Text(), "");
  EXPECT_EQ(dynamic_cast<TOL_VarFormTextApp*>(children[5].get())->TextExpression().Source(),
            "\"HP \" + HP");
  EXPECT_EQ(dynamic_cast<TOL_VarBoxAppear*>(children[6].get())->PenWidth(), 15);
  EXPECT_EQ(dynamic_cast<TOL_VarBoxFillAppear*>(children[7].get())->FillColor(), 0x0000FFu);
  EXPECT_EQ(children[8].get(), children[6].get());
  EXPECT_EQ(loaded->FindMember("CAPTION")->GetString(), "title");
}

TEST_F(ViewFiles, MalformedFilesFailWithAReason) {
  std::string error;
  auto view = Make<TOL_VarView>();
  auto text = Make<TOL_VarTextAppear>();
  text->SetText("abc");
  view->AddChild(text);
  view->SetFont(Make<TOL_Font>());
  const std::vector<uint8_t> good = StoreView(*view);

  // Every truncation is refused.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    EXPECT_EQ(Load(cut, error), nullptr) << n;
    EXPECT_EQ(error.rfind("archive: ", 0), 0u) << n << ": " << error;
  }

  // A child that is not an appearance.
  archive::Archive notAppearance = archive::Archive::ForWriting();
  notAppearance.WriteBytes(kViewHead.data(), kViewHead.size());
  notAppearance.WriteWord(0);
  notAppearance.WriteCount(1);
  notAppearance.WriteObject(script::NewInt(1).get());
  EXPECT_EQ(Load(notAppearance.Bytes(), error), nullptr);
  EXPECT_NE(error.find("TOL_VarInt"), std::string::npos) << error;

  // A null child.
  EXPECT_EQ(Load(Join({kViewHead, Hex("0000 0100 0000")}), error), nullptr);
  EXPECT_NE(error.find("null"), std::string::npos) << error;

  // An appearance where the font belongs.
  archive::Archive wrongFont = archive::Archive::ForWriting();
  wrongFont.WriteBytes(kViewHead.data(), kViewHead.size());
  wrongFont.WriteObject(Make<TOL_VarAppear>().get());
  wrongFont.WriteCount(0);
  EXPECT_EQ(Load(wrongFont.Bytes(), error), nullptr);
  EXPECT_NE(error.find("TOL_VarAppear"), std::string::npos) << error;

  // A child count larger than the file could hold is refused before anything is allocated.
  EXPECT_EQ(Load(Join({kViewHead, Hex("0000 FFFF FFFFFF7F")}), error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST_F(ViewFiles, ViewFilesFromDiskNameThePathInErrors) {
  std::string error;
  const std::string missing = "/nonexistent/config/view/title.tav";
  EXPECT_EQ(LoadViewFile(missing, error), nullptr);
  EXPECT_NE(error.find(missing), std::string::npos) << error;

  const std::string path = (std::filesystem::temp_directory_path() / "tav_view_test.tav").string();
  std::vector<uint8_t> bytes = StoreView(*testing::SampleView());
  for (size_t size : {bytes.size(), size_t{5}}) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(size));
    Ref<TOL_VarView> loaded = LoadViewFile(path, error);
    if (size == bytes.size()) {
      ASSERT_NE(loaded, nullptr) << error;
      EXPECT_EQ(loaded->Children().size(), 8u);
    } else {
      EXPECT_EQ(loaded, nullptr);
      EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    }
  }
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace tav::screen
