#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "screen/var_view.h"
#include "script/core/registry.h"
#include "view_json.h"
#include "view_samples.h"

namespace tav::tools {
namespace {

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

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

std::vector<uint8_t> Ascii(std::string_view text) { return {text.begin(), text.end()}; }

// A view without members at (10, 20, 30, 40), then whatever follows.
const std::vector<uint8_t> kHead = Hex("0100 0100 00000080 0000  0A000000 14000000 1E000000 28000000");

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ViewJson : public ::testing::Test {
 protected:
  void SetUp() override { InitializeEngineClasses(); }
  void TearDown() override { script::Registry::CollectGarbageAll(); }

  // build(dump(bytes)) == bytes, and dump(build(dump)) == dump.
  static Json RoundTrip(const std::vector<uint8_t>& bytes) {
    Json json = DumpView(bytes);
    std::vector<std::string> warnings;
    EXPECT_EQ(BuildView(json, warnings), bytes);
    EXPECT_EQ(DumpView(BuildView(json, warnings)), json);
    return json;
  }

  static std::string BuildError(const std::string& text) {
    std::vector<std::string> warnings;
    try {
      BuildView(Json::parse(text), warnings);
    } catch (const JsonError& e) {
      return e.what();
    }
    return "no error";
  }
};

TEST_F(ViewJson, TheEngineSampleViewsSurviveBothRoundTrips) {
  auto sample = screen::testing::SampleView();
  Json json = RoundTrip(screen::StoreView(*sample));
  ASSERT_EQ(json["children"].size(), 8u);
  const Json& text = json["children"][4];
  EXPECT_EQ(text["class"], "TOL_VarTextAppear");
  EXPECT_EQ(text["key"], "0xFE000005");
  EXPECT_EQ(text["condition"], "FLAG != 5");
  EXPECT_EQ(text["pad"], "*");
  EXPECT_EQ(text["colour"], "#0F0A05");  // COLORREF 0x050A0F: red is the low byte
  EXPECT_EQ(text["shadow_offset"], Json::parse(R"({"x": 5, "y": -5})"));
  EXPECT_EQ(json["font"]["face"], "ＭＳ ゴシック");
  EXPECT_EQ(json["font"]["weight"], 700);
  EXPECT_EQ(json["members"]["CAPTION"]["value"], "title");
  EXPECT_EQ(json["children"][7]["fill_colour"], "#FF0000");

  RoundTrip(screen::StoreView(*script::Make<screen::TOL_VarView>()));
}

TEST_F(ViewJson, AJsonWithEveryClassBuildsAViewTheEngineLoadsAndDumpsBackUnchanged) {
  Json source = Json::parse(ReadText(TAV_TEST_DATA "/tools/every_class.json"));
  std::vector<std::string> warnings;
  std::vector<uint8_t> bytes = BuildView(source, warnings);
  EXPECT_TRUE(warnings.empty());
  std::string error;
  auto view = screen::LoadView(bytes, error);
  ASSERT_TRUE(view) << error;
  ASSERT_EQ(view->Children().size(), 8u);
  // The shared font is one object in the engine too.
  auto* fontAppear = dynamic_cast<screen::TOL_VarFontAppear*>(view->Children()[2].get());
  ASSERT_NE(fontAppear, nullptr);
  EXPECT_EQ(fontAppear->Font(), view->Font());
  EXPECT_EQ(DumpView(bytes), source);
}

TEST_F(ViewJson, FormsTheArchiveVariesAreKept) {
  std::vector<uint8_t> bytes = Join({
      Hex("0200 0100 07000000"),                          // view version 2, base key 7
      Hex("FFFF 02000000"),                               // two members, count in the long form
      Hex("FF 0100"), Ascii("A"),                         // a name in a longer length form than needed
      Hex("FFFF 0100 0B00"), Ascii("TOL_VarBool"), Hex("0100 07"),  // a bool stored as 7
      Hex("02"), Ascii("B\x82"),                          // a name that is not whole Shift-JIS
      Hex("FFFF 0100 0D00"), Ascii("TOL_VarString"),
      Hex("0100 FF FEFF 02 4230 4430"),                  // a UTF-16 string
      Hex("0A000000 14000000 1E000000 28000000"),
      Hex("FFFF 0100 0800"), Ascii("TOL_Font"),           // the view's font, index 6
      Hex("F0FFFFFF 00000000 00000000 00000000 BC020000 0000008000000031"),
      Ascii("Face"), Hex("00 5A"), std::vector<uint8_t>(26, 0),  // a byte after the terminator
      Hex("0200"),                                        // two children sharing the font
      Hex("FFFF 0100 1100"), Ascii("TOL_VarFontAppear"),
      Hex("0100 0100 00000080 0000  64000000 64000000 2C010000 C8000000"),
      Hex("0100 00000000 00000000 00000000 00000001 00000000 01"), Ascii("1"),
      Hex("0100 FFFFFF00 00000000 00000000 00000000  0600"),   // the font by reference
      Hex("0780"),                                        // class 7 again
      Hex("0100 0100 00000080 0000  64000000 64000000 2C010000 C8000000"),
      Hex("0100 00000000 00000000 00000000 00000001 00000000 01"), Ascii("1"),
      Hex("0100 FFFFFF00 00000000 00000000 00000000  FF7F 06000000"),  // ... in the long form
      Hex("EE"),                                          // a byte the engine never reads
  });
  std::string error;
  ASSERT_TRUE(screen::LoadView(bytes, error)) << error;
  Json json = RoundTrip(bytes);
  EXPECT_EQ(json["versions"], Json::parse(R"({"var": 2})"));
  EXPECT_EQ(json["base_key"], 7);
  EXPECT_EQ(json["members_count_form"], "dword");
  ASSERT_TRUE(json["members"].is_array());  // a name that is not plain text keeps its entry form
  EXPECT_EQ(json["members"][0]["name"], Json::parse(R"({"text": "A", "length_form": "word"})"));
  EXPECT_EQ(json["members"][0]["value"]["value"], 7);
  EXPECT_EQ(json["members"][1]["name"], Json::parse(R"({"hex": "4282"})"));
  EXPECT_EQ(json["members"][1]["value"]["value"], Json::parse(R"({"text": "あい", "utf16": true})"));
  EXPECT_EQ(json["font"]["id"], 6);
  EXPECT_EQ(json["font"]["face_hex"].get<std::string>().substr(0, 12), "46616365005A");
  EXPECT_EQ(json["children"][0]["font"], Json::parse(R"({"ref": 6})"));
  EXPECT_EQ(json["children"][1]["font"], Json::parse(R"({"ref": 6, "wide": true})"));
  EXPECT_EQ(json["trailing_hex"], "EE");
}

TEST_F(ViewJson, BuildErrorsNameTheJsonPath) {
  EXPECT_EQ(BuildError(R"({"children": [{"class": "TOL_VarNothing"}]})").substr(0, 49),
            "/children/0/class: unknown class 'TOL_VarNothing'");
  EXPECT_EQ(BuildError(R"({"children": [{"class": "TOL_VarBoxAppear", "pen_width": "3"}]})"),
            "/children/0/pen_width: expected an integer, found string");
  EXPECT_EQ(BuildError(R"({"rect": {"left": 1, "top": 2, "right": 3, "bottom": 4294967296}})"),
            "/rect/bottom: integer out of range (-2147483648 to 2147483647)");
  EXPECT_EQ(BuildError(R"({"rect": {"left": 1, "widht": 2}})"), "/rect/widht: unknown field");
  EXPECT_EQ(BuildError(R"({"children": [null]})"), "/children/0: a view's child cannot be null");
  EXPECT_EQ(BuildError(R"({"children": [{"class": "TOL_VarInt"}]})"),
            "/children/0/class: a TOL_VarInt where an appearance is expected");
  EXPECT_EQ(BuildError(R"({"font": {"class": "TOL_Font", "id": 1}, "children": [{"ref": 1}]})"),
            "/children/0: refers to a TOL_Font where an appearance is expected");
  EXPECT_EQ(BuildError(R"({"members": {"A": {"ref": "later"}, "B": {"class": "TOL_Var", "id": "later"}}})"),
            "/members/A/ref: no object with id \"later\" comes before this point");
  EXPECT_EQ(BuildError(R"({"members": {"A": {"class": "TOL_Var", "id": 1}, "B": {"class": "TOL_Var", "id": 1}}})"),
            "/members/B/id: id 1 is used twice");
  EXPECT_EQ(BuildError(R"({"children": [{"class": "TOL_VarTextAppear", "colour": "red"}]})"),
            "/children/0/colour: expected a colour \"#RRGGBB\" or a number");
  EXPECT_EQ(BuildError(R"({"members": {"T": {"class": "TOL_VarString", "value": "😀"}}})").substr(0, 60),
            "/members/T/value: text holds a character that Shift-JIS cann");
  EXPECT_EQ(BuildError(R"({"members": {"T": {"class": "TOL_VarString", "value": {"text": "abc", "length_form": "byte", "hex": "00"}}}})"),
            "/members/T/value: give exactly one of \"text\" and \"hex\"");
  EXPECT_EQ(BuildError(R"([1, 2])"), "/: expected a JSON object");

  std::vector<std::string> warnings;
  BuildView(Json::parse(R"({"children": [{"class": "TOL_VarAppear", "condition": "a +"}]})"), warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].substr(0, 45), "/children/0/condition: the expression does no");
}

TEST_F(ViewJson, BrokenFilesAndFormsThatCannotBeKeptAreRefused) {
  auto dumpError = [](const std::vector<uint8_t>& bytes) -> std::string {
    try {
      DumpView(bytes);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_NE(dumpError(Join({kHead, Hex("0000 0100 FFFF 0100")})).find("byte offset"), std::string::npos);
  EXPECT_NE(dumpError(Hex("0100 01")).find("truncated"), std::string::npos);
  // A second record of a class the engine reads, but a build would write a back-reference.
  std::vector<uint8_t> twice = Join({
      kHead, Hex("0000 0200"),
      Hex("FFFF 0100 0D00"), Ascii("TOL_VarAppear"),
      Hex("0100 0100 00000080 0000  64000000 64000000 2C010000 C8000000"),
      Hex("0100 00000000 00000000 00000000 00000001 00000000 01"), Ascii("1"),
      Hex("FFFF 0100 0D00"), Ascii("TOL_VarAppear"),
      Hex("0100 0100 00000080 0000  64000000 64000000 2C010000 C8000000"),
      Hex("0100 00000000 00000000 00000000 00000001 00000000 01"), Ascii("1"),
  });
  std::string error;
  ASSERT_TRUE(screen::LoadView(twice, error)) << error;
  EXPECT_NE(dumpError(twice).find("a second record of class 'TOL_VarAppear'"), std::string::npos);
}

// The command line: exit codes and messages, and JSON that is not JSON.
TEST_F(ViewJson, TheCommandLineReportsBadInputWithExitCodeOne) {
  std::string dir = ::testing::TempDir();
  auto run = [](const std::string& args, std::string& err) {
    std::string cmd = std::string(TAVTOOL_BINARY) + " " + args + " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    err.clear();
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) err.append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(dir + "/" + name, std::ios::binary) << text;
    return dir + "/" + name;
  };
  std::string out;
  std::string bad = write("bad.json", "{\"children\": [1,");
  EXPECT_EQ(run("view build " + bad + " -o " + dir + "/bad.tav", out), 1);
  EXPECT_NE(out.find("parse error"), std::string::npos) << out;
  std::string deep = write("deep.json", std::string(100000, '[') + std::string(100000, ']'));
  EXPECT_EQ(run("view build " + deep + " -o " + dir + "/deep.tav", out), 1);
  EXPECT_NE(out.find("nested too deep"), std::string::npos) << out;
  std::string nested = "{\"members\": {\"A\": ";
  for (int i = 0; i < 1500; ++i) nested += "{\"class\": \"TOL_VarRef\", \"target\": ";
  nested += "null" + std::string(1500, '}') + "}}";
  EXPECT_EQ(run("view build " + write("nested.json", nested) + " -o " + dir + "/n.tav", out), 1);
  EXPECT_NE(out.find("nested more than 1000 deep"), std::string::npos) << out;
  std::string broken = write("broken.tav", "\x01\x00\x01");
  EXPECT_EQ(run("view dump " + broken, out), 1);
  EXPECT_NE(out.find("broken.tav: archive: truncated data"), std::string::npos) << out;
  EXPECT_EQ(run("view dump " + dir + "/missing.tav", out), 1);
  EXPECT_EQ(run("view frobnicate x", out), 2);

  std::string good = write("good.json", ReadText(TAV_TEST_DATA "/tools/every_class.json"));
  ASSERT_EQ(run("view build " + good + " -o " + dir + "/good.tav", out), 0) << out;
  ASSERT_EQ(run("view dump " + dir + "/good.tav -o " + dir + "/again.json", out), 0) << out;
  EXPECT_EQ(Json::parse(ReadText(dir + "/again.json")), Json::parse(ReadText(good)));
}

}  // namespace
}  // namespace tav::tools
