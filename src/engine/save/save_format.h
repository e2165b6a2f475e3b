// The stored form of a saved game.
//
//   8 bytes   magic "TAVSAVE" 0x1A
//   WORD      format version (1)
//   string    the engine version that wrote it
//   string    the game's name (its folder name, UTF-8)
//   DWORD     payload length in bytes
//   DWORD     CRC-32 of the payload
//   payload   the value graph (save_graph.h) in one object archive
//
// Strings and numbers are the object archive's (little-endian, length-prefixed). The checksum
// lets a load tell a damaged file from a sound one before it believes any of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/save/save_graph.h"

namespace tav::engine {

constexpr uint16_t kSaveFormatVersion = 1;

uint32_t Crc32(const uint8_t* data, size_t size);

// False with `error` set when the value cannot be stored.
bool EncodeSave(script::TOL_Var* value, const SaveContext& context, std::vector<uint8_t>& bytes,
                std::string& error);

// The saved value, or null with `error` saying what is wrong with the bytes. `warnings` gets
// what loaded but may not behave as saved (a type the game no longer has).
script::VarRef DecodeSave(std::vector<uint8_t> bytes, const SaveContext& context, std::string& error,
                          std::vector<std::string>& warnings);

// The header and checksum around a payload, as EncodeSave writes them (for tests and fuzzing).
std::vector<uint8_t> WrapSavePayload(const std::vector<uint8_t>& payload, const std::string& gameName,
                                     uint16_t version = kSaveFormatVersion);

}  // namespace tav::engine
