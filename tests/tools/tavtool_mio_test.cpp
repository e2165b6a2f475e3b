// `tavtool mio` end to end: WAV files in every format MIO holds go through encode and decode and
// come back bit for bit; info describes the result; bad input fails with a message.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class TavtoolMioTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tavtool_mio_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Runs tavtool; answers its exit code and leaves its standard output in `output`.
  int Run(const std::string& arguments, std::string* output = nullptr) {
    std::string command = std::string(TAVTOOL) + " " + arguments + " > " + Path("out.txt") + " 2> " + Path("err.txt");
    int status = std::system(command.c_str());
    if (output != nullptr) *output = Read(Path("out.txt"));
    errors_ = Read(Path("err.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  static void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
  }
  static void Put16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
  }

  // A WAV with a LIST chunk before "fmt ", as editors write them.
  std::string MakeWav(const std::string& name, uint16_t channels, uint16_t bits, size_t samples) {
    std::mt19937 random(channels * 10 + bits);
    std::string data;
    for (size_t i = 0; i < samples; ++i) {
      for (int c = 0; c < channels; ++c) {
        double v = 0.6 * std::sin(i * (0.02 + 0.01 * c)) + (random() % 100) / 2000.0;
        if (bits == 8) {
          data.push_back(static_cast<char>(std::lround(128 + 120 * v)));
        } else {
          Put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(30000 * v))));
        }
      }
    }
    std::string wav = "RIFF";
    Put32(wav, 0);
    wav += "WAVELIST";
    Put32(wav, 5);
    wav += "abcde";
    wav.push_back('\0');  // pad byte of the odd-sized chunk
    wav += "fmt ";
    Put32(wav, 16);
    Put16(wav, 1);
    Put16(wav, channels);
    Put32(wav, 22050);
    Put32(wav, 22050u * channels * bits / 8);
    Put16(wav, static_cast<uint16_t>(channels * bits / 8));
    Put16(wav, bits);
    wav += "data";
    Put32(wav, static_cast<uint32_t>(data.size()));
    wav += data;
    std::ofstream(Path(name), std::ios::binary) << wav;
    return data;
  }

  // The sample bytes of a WAV written by tavtool (canonical 44-byte header).
  std::string DataOf(const std::string& name) {
    std::string wav = Read(Path(name));
    if (wav.size() < 44) return {};
    auto size = static_cast<uint8_t>(wav[40]) | static_cast<uint8_t>(wav[41]) << 8 |
                static_cast<uint8_t>(wav[42]) << 16 | static_cast<uint8_t>(wav[43]) << 24;
    return wav.substr(44, size);
  }

  fs::path dir_;
  std::string errors_;
};

TEST_F(TavtoolMioTest, EncodeThenDecodeIsBitIdenticalInEveryFormat) {
  for (uint16_t channels : {1, 2}) {
    for (uint16_t bits : {8, 16}) {
      std::string name = std::to_string(channels) + "x" + std::to_string(bits);
      std::string data = MakeWav(name + ".wav", channels, bits, 30001);
      ASSERT_EQ(Run("mio encode " + Path(name + ".wav") + " " + Path(name + ".mio") +
                    " --packet 1000 --key-every 5 --rewind 1234"), 0) << errors_;
      EXPECT_LT(fs::file_size(Path(name + ".mio")), data.size()) << name;
      ASSERT_EQ(Run("mio decode " + Path(name + ".mio") + " " + Path(name + ".out.wav")), 0) << errors_;
      EXPECT_TRUE(DataOf(name + ".out.wav") == data) << name;

      std::string info;
      ASSERT_EQ(Run("mio info " + Path(name + ".mio"), &info), 0) << errors_;
      EXPECT_NE(info.find("channels: " + std::to_string(channels) + "\n"), std::string::npos) << info;
      EXPECT_NE(info.find("total samples: 30001\n"), std::string::npos) << info;
      EXPECT_NE(info.find("packets: 31\n"), std::string::npos) << info;
      EXPECT_NE(info.find("#rewind-point: 1234\n"), std::string::npos) << info;
    }
  }
}

TEST_F(TavtoolMioTest, BadInputFailsWithAMessage) {
  std::ofstream(Path("text.wav")) << "not a sound";
  EXPECT_EQ(Run("mio encode " + Path("text.wav") + " " + Path("x.mio")), 1);
  EXPECT_NE(errors_.find("is not a WAV file"), std::string::npos) << errors_;
  EXPECT_EQ(Run("mio decode " + Path("text.wav") + " " + Path("x.wav")), 1);
  EXPECT_NE(errors_.find("QRI ファイルを開けませんでした。"), std::string::npos) << errors_;
  MakeWav("short.wav", 1, 16, 10);
  EXPECT_EQ(Run("mio encode " + Path("short.wav") + " " + Path("x.mio") + " --rewind 10"), 2);
  EXPECT_EQ(Run("mio encode " + Path("short.wav") + " " + Path("x.mio") + " --packet 0"), 2);
  EXPECT_EQ(Run("mio frobnicate"), 2);
  EXPECT_EQ(Run("nonsense"), 2);
  EXPECT_EQ(Run("mio decode " + Path("missing.mio") + " " + Path("x.wav")), 1);
  EXPECT_NE(errors_.find("cannot open"), std::string::npos) << errors_;
}

}  // namespace
