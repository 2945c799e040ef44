// The tax rates A to G as the printer keeps them, in the wire layout of its
// model: 4 one-byte whole percents (0xFF: reserve), 6 two-byte rates in
// hundredths of a percent, most significant byte first (0xFF 0x00: reserve),
// or 7 such rates where 0x80 0x00 marks a reserve and 0x40 0x00 an exempt rate.
#ifndef SIGRA_EMULATOR_RATE_STORE_H
#define SIGRA_EMULATOR_RATE_STORE_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sigra::emu {

class RateStore {
 public:
  // A new printer: 22 %, 7 %, 0 %, then exempt on seven-rate models, the
  // rest reserve.
  explicit RateStore(int rateCount);

  int Count() const { return count_; }
  // The stored bytes, as the read command answers them and the write command
  // carries them.
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  size_t ByteLength() const { return bytes_.size(); }
  void SetBytes(const std::vector<uint8_t>& bytes);

  // Rate k (0 = A) in hundredths of a percent; none for a reserve rate and for
  // k beyond the rates the model has.
  std::optional<uint32_t> Percent(int k) const;
  bool Exempt(int k) const;
  bool Defined(int k) const { return Exempt(k) || Percent(k).has_value(); }
  bool AnyDefined() const;
  // "22,00%", "ZWOLNIONA" or "REZERWA".
  std::string Describe(int k) const;

 private:
  // The raw value of rate k: its byte, or its two bytes as one number.
  uint32_t Raw(int k) const;

  int count_;
  std::vector<uint8_t> bytes_;
};

}  // namespace sigra::emu

#endif
