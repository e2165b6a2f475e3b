#pragma once

// The texts sound operations answer on failure (null means success). Callers compare pointers
// or text; they are also what the debug trace shows.

namespace tav::sound::messages {

// Devices and the mixer.
inline constexpr const char* kCannotOpenDevice = "音声出力デバイスを開けませんでした。";
inline constexpr const char* kCannotCloseDevice = "音声出力デバイスを閉じられませんでした。";
inline constexpr const char* kDeviceNotOpen = "音声出力デバイスが開かれていません。";
inline constexpr const char* kInvalidDeviceHandle = "不正な音声バッファハンドルが指定されました。";
inline constexpr const char* kInvalidMixerHandle = "不正な音声バッファハンドルです。";
inline constexpr const char* kNoMixerHandle = "無効な音声バッファハンドルが指定されています。";
inline constexpr const char* kInvalidChannels = "無効なチャネル数を指定しています。";
inline constexpr const char* kInvalidBits = "無効なビット分解能を指定しています。";
inline constexpr const char* kInvalidStreamBuffer = "無効な音声ストリームバッファを指定します。";
inline constexpr const char* kCannotOpenAcm = "ACM ストリームを開けませんでした。";

// WAV files.
inline constexpr const char* kCannotReadHeader = "音声ヘッダの読みこみに失敗しました。";
inline constexpr const char* kInvalidHeader = "無効な音声ヘッダです。";
inline constexpr const char* kCannotReadFormat = "音声フォーマットの読み込みに失敗しました。";
inline constexpr const char* kInvalidDataHeader = "無効な音声データヘッダです。";
inline constexpr const char* kCannotReadData = "音声データの読み込みに失敗しました。";

// Stream sources.
inline constexpr const char* kCannotOpenVorbis = "OggVorbis ファイルを開けませんでした。";
inline constexpr const char* kCannotOpenMio = "MIO ファイルを開けませんでした。";
inline constexpr const char* kNoData = "音声データを取得できませんでした。";

// The file layer's error (a file that cannot be opened).
inline constexpr const char* kCannotOpenFile = "ファイルを開けませんでした。";

}  // namespace tav::sound::messages

namespace tav::sound {

// The debug trace: every failure text followed by a newline. Shown with -v (and in --log).
void TraceFailure(const char* message);

}  // namespace tav::sound
