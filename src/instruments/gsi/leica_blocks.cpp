// GSI code blocks (word 41) and digital-level readings.
#include <cmath>

#include "catalogue/fortran.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "instruments/gsi/leica_import.hpp"

namespace kvtconv::gsi {

namespace {

bool hasDot(std::string_view t) { return t.find('.') != std::string_view::npos; }

// "-" and "0" stand for no code in a code list word.
bool isCodeText(std::string_view t) {
  const std::string_view v = trim(t);
  return !v.empty() && v != "-" && v != "0";
}

}  // namespace

bool Import::isFunctionCode(std::string_view text16, bool intOk) const {
  const std::string_view t = trim(text16);
  if (hasDot(t) || !intOk) return false;
  if (t.size() == 1) return true;
  return t.size() == 2 && fixed(t, 10) < s_.par.text(par::kCodeLimit);
}

std::string Import::trimmedInt(int slot) { return std::to_string(intAt(slot)); }

void Import::writeAdmin() {
  wakom(out_);
  wadm(s_, out_, adm_);
}

void Import::codeBlock() {
  const std::string& l = line_.text();
  if (l[7] == '?') {
    method_ = true;
    if (l[14] == '1') wkom(out_, "M\xE5lemetode: BF BF ...");
    else if (l[14] == '2') wkom(out_, "M\xE5lemetode: BFFB BFFB ...");
    count();
    return;
  }
  if (l[7] == '!') {
    wkom(out_, "NB: Gentagen m\xE5ling");
    count();
    return;
  }
  const std::string first = textAt(1, 16);
  bool ok = true;
  const std::int32_t value = integer(word(1), line_.m(), ok);
  if (isFunctionCode(first, ok)) {
    functionCode(value);
    return;
  }
  listA_.reset(fixed(first, 10));
  activeB_ = false;
  const char join = s_.par.text(par::kCodeSystem)[0];
  if ((join == '3' || join == '4') && has(2)) {
    // The code, then the number of word 2 (KANT.8), then word 3's text.
    std::string code(trim(listA_.first()));
    code += '.';
    code += trimmedInt(2);
    if (has(3)) {
      code += '.';
      code += trim(textAt(3, 16));
    }
    std::string entry = fixed(code, 10);
    stgbln(entry);
    listA_.setFirst(entry);
    return;
  }
  for (int k = 2; k <= 5; ++k)
    if (has(k) && isCodeText(textAt(k, 16))) listA_.append(textAt(k, 10));
}

// Instrument and prism heights in code blocks: millimetres unless the
// word holds a decimal point.
double Import::heightWord(int slot) {
  if (!has(slot)) return kMissingReal;
  const double v = rawAt(slot);
  if (missReal(v)) return v;
  return hasDot(textAt(slot, 16)) ? v : v * 0.001;
}

void Import::functionCode(int code) {
  const bool variant2 = sameText(s_.par.text(par::kInfoCodeSystem), "2");
  auto milli = [&](int slot) {
    const double v = has(slot) ? rawAt(slot) : kMissingReal;
    return missReal(v) ? v : v * 0.001;
  };
  auto writeValueLine = [&](int w, int d, double v) {
    std::string line(80, ' ');
    formatI(line.data(), 2, code);
    if (missReal(v)) putField(line, 5, s_.par.missing(static_cast<std::size_t>(w)), static_cast<std::size_t>(w));
    else putF(line, 5, w, d, v);
    writeFull(out_, line);
  };
  switch (code) {
    case 1:
      if (variant2) {
        adm_.job = textAt(2, 10);
        adm_.date = textAt(3, 9);
        writeAdmin();
      } else {
        carry_.pointNumber = textAt(2, 12);
        instrument_ = heightWord(3);
        stationCode_ = textAt(4, 10);
        Setup st;
        st.station = carry_.pointNumber;
        st.code = stationCode_;
        st.instrumentHeight = instrument_;
        wsta(s_, out_, st);
        stationCode_ = std::string(10, ' ');
      }
      count();
      return;
    case 2: {
      double h = has(2) ? rawAt(2) : kMissingReal;
      if (!missReal(h)) {
        if (h > -1.5 && h < -0.5) h = kMissingReal;
        else if (!hasDot(textAt(2, 16))) h *= 0.001;
      }
      prism_ = h;
      return;
    }
    case 3:
      adm_.date = textAt(2, 9);
      adm_.job = textAt(3, 10);
      adm_.temperature = intAt(4);
      adm_.pressure = intAt(5);
      writeAdmin();
      count();
      return;
    case 4:
      wkom(out_, textAt(2, 16));
      count();
      return;
    case 5:
      meteo();
      count();
      return;
    case 6:
      suppA_ = milli(2);
      rewriteObservation();
      return;
    case 7:
      suppB_ = milli(2);
      rewriteObservation();
      return;
    case 8: adm_.operatorName = textAt(2, 10); return;
    case 9:
      stepBack();
      count(-1);
      return;
    case 10:
      wkom(out_, "10 ==> Instrumentkontrol");
      count();
      return;
    case 11:
      if (variant2) {
        carry_.pointNumber = textAt(3, 12);
        instrument_ = heightWord(2);
        Setup st;
        st.station = carry_.pointNumber;
        st.code = stationCode_;
        st.instrumentHeight = instrument_;
        wsta(s_, out_, st);
        stationCode_ = std::string(10, ' ');
      } else {
        wkom(out_, "11 ==> Stadiekontrol");
      }
      count();
      return;
    case 16:
      if (variant2) pendingPpm_ = milli(2);
      else remark(code);
      count();
      return;
    case 12: case 13: case 14: case 15: case 17: case 18: case 19:
      remark(code);
      count();
      return;
    case 20:
    case 21: {
      std::string line(80, ' ');
      formatI(line.data(), 2, code);
      putField(line, 4, textAt(2, 16), 77);
      writeFull(out_, line);
      count();
      return;
    }
    case 22:
    case 23:
      writeValueLine(8, 4, milli(2));
      count();
      return;
    case 24:
      observationWithCode();
      count();
      return;
    case 25: {
      const double v = milli(2);
      writeValueLine(9, 3, v);
      extras_.reals[2] = v;
      count();
      return;
    }
    case 26: {
      std::string line(80, ' ');
      formatI(line.data(), 2, code);
      const double v = has(2) ? rawAt(2) : kMissingReal;
      if (missReal(v)) putField(line, 5, s_.par.missing(9), 9);
      else putI(line, 5, 9, std::fabs(v) < 1e15 ? static_cast<std::int64_t>(std::trunc(v)) : std::int64_t{1} << 62);
      writeFull(out_, line);
      count();
      return;
    }
    case 27:
      for (int k = 2; k <= 5; ++k)
        if (has(k) && isCodeText(textAt(k, 16))) listA_.append(textAt(k, 10));
      count();
      return;
    case 28:
      listA_.remove(textAt(2, 10));
      count();
      return;
    case 29:
      activeB_ = true;
      if (has(2)) listB_.reset(textAt(2, 10));
      for (int k = 3; k <= 5; ++k)
        if (has(k)) listB_.append(textAt(k, 10));
      count();
      return;
    case 30:
      activeB_ = false;
      count();
      return;
    case 31:
      pendingPpm_ = milli(2);
      count();
      return;
    default:
      wkom(out_, "Denne linie i input er ikke identificeret");
      unidentified_ = true;
      fields_.note(DiagKind::Unmatched, "code block with an unknown function code",
                   "code " + std::to_string(code));
      count();
      return;
  }
}

void Import::remark(int code) {
  std::string line(80, ' ');
  formatI(line.data(), 2, code);
  putField(line, 3, " ==> ", 5);
  putField(line, 8, textAt(2, 16), 16);
  putField(line, 25, textAt(3, 16), 16);
  putField(line, 42, textAt(4, 16), 16);
  putField(line, 59, textAt(5, 16), 22);
  // A remark is a comment record, like the notes of codes 4, 10 and 11.
  wkom(out_, line);
}

void Import::meteo() {
  const std::int32_t t = intAt(2), p = intAt(3);
  if (t > -99 && t < 99 && p > 700 && p < 1300) {
    // The correction is computed in single precision, as the instruments do.
    const float tf = static_cast<float>(t), pf = static_cast<float>(p);
    const float denom = 1.0f + 0.003660858f * tf;
    const int e = static_cast<int>(7.5f * tf / (237.3f + tf) + 0.7857f);
    const float tenE = static_cast<float>(std::pow(10.0, e));
    const int ppm = static_cast<int>(281.8f - 0.29065f * pf / denom + 0.0248f * tenE / denom);
    distanceScale_ = static_cast<double>(1.0f + static_cast<float>(ppm) * 0.000001f);
    std::string text = "Temperatur (C): ";
    char num[4];
    formatI(num, 3, t);
    text.append(num, 3);
    text += ",  Tryk (mb): ";
    formatI(num, 4, p);
    text.append(num, 4);
    wkom(out_, text);
    return;
  }
  wkom(out_, std::string(word(2)) + " " + std::string(word(3)));
}

void Import::observationWithCode() {
  const std::string saved = listA_.first();
  const std::string t = textAt(2, 16);
  bool ok = true;
  integer(word(2), line_.m(), ok);
  const std::string_view v = trim(t);
  const bool keeps = !hasDot(v) && ok &&
                     (v.size() == 1 || (v.size() == 2 && fixed(v, 10) < s_.par.text(par::kCodeLimit)));
  if (!keeps) {
    std::string entry = fixed(t, 10);
    if (!hasDot(v) && ok && s_.par.text(par::kCodeSystem)[0] == '3') {
      entry = has(3) ? fixed(std::string(v) + "." + std::string(trim(textAt(3, 16))), 10)
                     : fixed(trimmedInt(2), 10);
    }
    stgbln(entry);
    listA_.setFirst(entry);
  }
  writeObservation(listA_.first());
  listA_.setFirst(saved);
}

void Import::writeLevel() {
  LevelReadings r;
  r.number = lastLevel_.number;
  for (std::size_t k = 0; k < 5; ++k) r.readings[k] = lastLevel_.readings[k];
  r.distance = carry_.slope;
  r.height = carry_.height;
  r.code = lastLevel_.code;
  lastLevel_ = r;
  wna2000(s_, out_, r);
}

void Import::levelling() {
  const bool w4 = line_.token(4) == "83 ", w3 = line_.token(3) == "83 ";
  if (method_ && (w4 || w3)) {
    if (w4) {
      carry_.height = scaledAt(4);
      lastLevel_.readings[3] = scaledAt(2);
      lastLevel_.readings[4] = scaledAt(3);
    } else {
      carry_.height = scaledAt(3);
      lastLevel_.readings[3] = scaledAt(2);
      lastLevel_.readings[4] = kMissingReal;
    }
    stepBack();
    writeLevel();
    return;
  }
  const std::string number = textAt(1, 12);
  carry_.pointNumber = number;
  if (w4) {
    carry_.height = scaledAt(4);
  } else if (line_.token(5) == "83 ") {
    carry_.height = scaledAt(5);
  } else if (line_.token(2) == "83 ") {
    carry_.height = scaledAt(2);
    if (intermediatePending_) {
      intermediatePending_ = false;
      stepBack();
      writeLevel();
    } else {
      lastLevel_ = LevelReadings{};
      lastLevel_.number = number;
      lastLevel_.code = std::string(10, ' ');
      LevelReadings r = lastLevel_;
      r.height = carry_.height;
      wna2000(s_, out_, r);
    }
    return;
  }
  carry_.slope = scaledAt(2);
  const double reading = scaledAt(3);
  carry_.north = reading;
  lastLevel_ = LevelReadings{};
  lastLevel_.number = number;
  switch (word(3).size() > 2 ? word(3)[2] : ' ') {
    case '1': case '5': lastLevel_.readings[0] = reading; break;
    case '0': case '2': case '6': lastLevel_.readings[1] = reading; break;
    case '3': case '4':
      lastLevel_.readings[2] = reading;
      intermediatePending_ = true;
      break;
    default: break;
  }
  std::string code(10, ' ');
  if (line_.token(4) == "52 " && line_.text()[53] == '8') {
    code = fixed(std::string_view(line_.text()).substr(58, 5), 10);
  } else if (line_.token(4) == "390" && line_.token(5) == "391") {
    char c[5];
    formatI(c, 1, intAt(4));
    c[1] = '+';
    formatI(c + 2, 3, intAt(5));
    for (int k = 2; k < 5; ++k)
      if (c[k] == ' ') c[k] = '0';
    code = fixed(std::string_view(c, 5), 10);
  }
  lastLevel_.code = code;
  writeLevel();
  count();
}

}  // namespace kvtconv::gsi
