#pragma once
// The state of one GSI import run and its line handlers.
#include <array>
#include <string>
#include <vector>

#include "catalogue/columns.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "instruments/gsi/gsi.hpp"

namespace kvtconv {

class Session;
class TextFile;

namespace gsi {

struct Label {
  int type = 0;
  std::string signature;  // ten three-character tokens
};

// Up to 20 codes; entry 0 is the current code.
class CodeList {
 public:
  CodeList() : codes_(1, std::string(10, ' ')) {}
  void reset(const std::string& first) { codes_.assign(1, first); }
  void setFirst(const std::string& c) { codes_[0] = c; }
  const std::string& first() const { return codes_[0]; }
  void append(const std::string& c) {
    if (codes_.size() < 20) codes_.push_back(c);
  }
  void remove(const std::string& c);
  const std::vector<std::string>& all() const { return codes_; }

 private:
  std::vector<std::string> codes_;
};

class Import {
 public:
  Import(Session& s, TextFile* out, std::vector<Label> labels);
  void convert(std::string_view raw);
  bool sawUnidentified() const { return unidentified_; }

 private:
  // Word access on the current line.
  std::string_view word(int slot) const { return line_.word(slot); }
  bool has(int slot) const { return slot > 0 && !isBlank(word(slot)); }
  double scaledAt(int slot);
  double rawAt(int slot);
  std::int32_t intAt(int slot);
  std::string textAt(int slot, std::size_t width) const { return text(word(slot), line_.m(), width); }
  std::string_view data(int slot) const;
  std::string words() const;
  // Reads `index` into `v` when the line carries it.
  void take(std::string_view index, double& v, bool isScaled = true);

  int lineType() const;
  void count(int n = 1) { s_.counter += n; }

  void setup();
  void observation();
  void points();
  void freeSetup();
  void supplement(int type);
  void pointFromWords();
  void heldCoordinates();
  void heldAttributes();
  void numberedPoint();
  void unidentified(int type);

  void codeBlock();
  void functionCode(int code);
  void meteo();
  void remark(int code);
  void observationWithCode();
  void levelling();

  void writeObservation(const std::string& code);
  void rewriteObservation();
  void writePoint(const std::string& number, const std::string& code, double e, double n, double h);
  void writeLevel();
  void writeAdmin();
  void stepBack();
  double heightWord(int slot);
  bool isFunctionCode(std::string_view text, bool intOk) const;
  std::string trimmedInt(int slot);

  Session& s_;
  TextFile* out_;
  std::vector<Label> labels_;
  Line line_;
  ColumnReader fields_;
  GsiCarry& carry_;
  CodeList listA_, listB_;
  bool activeB_ = false;
  std::string stationCode_ = std::string(10, ' ');
  double instrument_ = kMissingReal, prism_ = kMissingReal;
  double suppA_ = kMissingReal, suppB_ = kMissingReal;
  double hzOffset_ = 0, reference_ = 0;
  bool offsetPending_ = false;
  double distanceScale_ = 1;
  double pendingPpm_ = kMissingReal, pendingPrism_ = kMissingReal;
  PointExtras extras_;
  bool method_ = false, unidentified_ = false, intermediatePending_ = false;
  AdminRecord adm_;
  LevelReadings lastLevel_;
};

std::vector<Label> readLabels(Session& s, TextFile* f);

}  // namespace gsi
}  // namespace kvtconv
