#include "ogg_vorbis_encoder.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace tav::ogg {

std::vector<uint8_t> EncodeOggVorbis(const std::vector<float>& interleaved, const OggVorbisSettings& settings) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, settings.channels, settings.rate, settings.quality) != 0) {
    vorbis_info_clear(&info);
    return {};
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  if (settings.title) vorbis_comment_add_tag(&comment, "TITLE", settings.title);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, settings.serial);
  std::vector<uint8_t> out;
  auto append = [&out](const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  ogg_packet header, commentPacket, codePacket;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codePacket);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentPacket);
  ogg_stream_packetin(&stream, &codePacket);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page)) append(page);
  const size_t channels = static_cast<size_t>(settings.channels);
  const size_t count = interleaved.size() / channels;
  size_t at = 0;
  bool ended = false;
  while (!ended) {
    const size_t n = std::min<size_t>(1024, count - at);
    if (n == 0) {
      vorbis_analysis_wrote(&dsp, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
      for (size_t i = 0; i < n; ++i) {
        for (size_t c = 0; c < channels; ++c) buffer[c][i] = interleaved[(at + i) * channels + c];
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(n));
      at += n;
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page)) {
          append(page);
          if (ogg_page_eos(&page)) ended = true;
        }
      }
    }
  }
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

}  // namespace tav::ogg
