#include "catalogue/record.hpp"

#include <algorithm>
#include <cstring>

#include "catalogue/fortran.hpp"
#include "catalogue/scan.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

ReadStatus rdrec(TextFile* f, std::string& line, std::size_t width, int& type) {
  if (!f) return ReadStatus::End;
  const ReadStatus st = f->readLine(line, width);
  if (st != ReadStatus::Ok) return st;
  line.resize(width, ' ');
  std::size_t pos = 1;
  int err = 0;
  const std::int32_t value = rditas(std::string_view(line).substr(0, std::min<std::size_t>(80, width)), pos, err);
  const std::size_t p = std::min<std::size_t>({pos, 80, width});
  std::fill_n(line.begin(), p, ' ');
  type = err != 0 ? 8 : value;
  return ReadStatus::Ok;
}

ReadStatus rdrec(TextFile* f, std::string_view& fields, std::size_t width, int& type) {
  if (!f) return ReadStatus::End;
  std::string_view line;
  const ReadStatus st = f->readLine(line, width);
  if (st != ReadStatus::Ok) return st;
  // The type is read within the first 80 columns; the fields start where
  // it ends.
  const std::string_view head(line.data(), std::min(std::min<std::size_t>(80, width), line.size()));
  std::size_t pos = 1;
  int err = 0;
  const std::int32_t value = rditas(head, pos, err);
  const std::size_t p = std::min(pos, head.size());
  fields = std::string_view(line.data() + p, line.size() - p);
  type = err != 0 ? 8 : value;
  return ReadStatus::Ok;
}

void writeFull(TextFile* f, std::string_view line) {
  if (f) f->writeLine(line);
}

void writeTrimmed(TextFile* f, std::string_view line) {
  if (f) f->writeLine(rtrim(line));
}

void wkom(TextFile* f, std::string_view text) {
  std::string line(80, ' ');
  line[1] = '8';
  putField(line, 5, text, 76);
  writeFull(f, line);
}

void wakom(TextFile* f) {
  std::string line(80, ' ');
  line[1] = '8';
  putField(line, 5, "Jobnr.", 6);
  putField(line, 17, "Operat\xF8r", 8);
  putField(line, 29, "Dato", 4);
  putField(line, 39, "Tid", 3);
  putField(line, 48, "Temp", 4);
  putField(line, 54, "Tryk", 4);
  putField(line, 60, "Instrument", 10);
  writeFull(f, std::string_view(line).substr(0, 76));
}

std::string rkom(std::string_view line) { return fixed(line, 80); }

void wadm(const Session& s, TextFile* f, const AdminRecord& a) {
  std::string line(80, ' ');
  line[1] = '1';
  putField(line, 5, a.job, 10);
  putField(line, 17, a.operatorName, 10);
  putField(line, 29, a.date, 9);
  putField(line, 39, a.time, 8);
  if (missInt(a.temperature)) putField(line, 49, s.par.missing(3), 3);
  else putI(line, 49, 3, a.temperature);
  if (missInt(a.pressure)) putField(line, 54, s.par.missing(4), 4);
  else putI(line, 54, 4, a.pressure);
  putField(line, 60, a.instrument, 12);
  writeFull(f, line);
}

AdminRecord radm(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  AdminRecord a;
  sc.word(a.job, 10);
  sc.word(a.operatorName, 10);
  sc.word(a.date, 9);
  sc.word(a.time, 8);
  a.temperature = sc.integer();
  a.pressure = sc.integer();
  sc.word(a.instrument, 12);
  return a;
}

void wfilhead(Session& s, TextFile* f) {
  std::string one(76, ' ');
  putField(one, 1, "1==> ", 5);
  putField(one, 6, s.title, 30);
  putField(one, 36, ", ", 2);
  putField(one, 38, "Katalog oprettet: ", 18);
  putField(one, 56, s.date, 8);
  putField(one, 64, ",", 1);
  putField(one, 65, s.time, 8);
  std::string two(76, ' ');
  putField(two, 1, "2==> ", 5);
  putField(two, 6, "Opgave: ", 8);
  putField(two, 14, s.adm.taskName, 20);
  putField(two, 34, ", ", 2);
  putField(two, 36, "Jnr.: ", 6);
  putField(two, 42, s.adm.journal(), 8);
  putField(two, 50, ", ", 2);
  putField(two, 52, "Init.: ", 7);
  putField(two, 59, s.adm.initials(), 8);
  wkom(f, one);
  wkom(f, two);
  s.wideWarned = false;
}

void checkWide(Session& s, std::string_view line, std::size_t from, std::size_t to,
               std::string_view warning) {
  if (s.wideWarned || from == 0 || from > line.size()) return;
  const std::string_view cols = line.substr(from - 1, std::min(to, line.size()) - (from - 1));
  if (cols.find("***") == std::string_view::npos) return;
  s.wideWarned = true;
  s.wrerr(warning);
}

RecordLine::RecordLine(const Session& s, TextFile* f, std::size_t width, std::string_view type)
    : f_(f), width_(std::min(width, kMaxWidth)),
      missing_(s.par.text(par::kMissingText)), pending_(f != nullptr) {
  p_ = f ? f->lineSpace(width_) : own_;
  std::memset(p_, ' ', width_);
  text(type.size() == 1 ? 2 : 1, type, type.size());
}

RecordLine::~RecordLine() {
  if (pending_) f_->dropLine();
}

void RecordLine::writeFull() {
  if (!pending_) return;
  pending_ = false;
  f_->commitLine(width_);
}

void RecordLine::writeTrimmed() {
  if (!pending_) return;
  pending_ = false;
  f_->commitLine(rtrim(str()).size());
}

}  // namespace kvtconv
