#include "open/objects.hpp"

namespace kvtconv::open {

void ObjectBuilder::single(const Vertex& v, const std::string& base, int type) {
  MapObject o;
  o.kind = MapObject::Point;
  o.base = base;
  o.codeType = type;
  o.vertices.push_back(v);
  sink_(o);
}

void ObjectBuilder::flush() {
  if (!isOpen_) return;
  isOpen_ = false;
  if (open_.vertices.size() == 1) {
    // A line of one vertex is only a point.
    single(open_.vertices.front(), open_.base, -1);
  } else {
    sink_(open_);
  }
  open_ = MapObject{};
}

void ObjectBuilder::add(const Vertex& v, const std::string& base, int type, bool split) {
  const bool vertex = split && (type == 1 || type == 2 || type == 3);
  const bool end = split && (type == 8 || type == 9);
  if (!vertex && !end) {
    flush();
    single(v, split ? base : v.code, split ? type : -1);
    return;
  }
  if (isOpen_ && open_.base != base) flush();
  if (vertex) {
    if (!isOpen_) {
      open_.kind = MapObject::Line;
      open_.base = base;
      isOpen_ = true;
    }
    open_.vertices.push_back(v);
    return;
  }
  if (!isOpen_) {
    misplacedEnd_(v);
    single(v, base, type);
    return;
  }
  open_.vertices.push_back(v);
  open_.ended = true;
  if (type == 8) open_.kind = MapObject::Area;
  isOpen_ = false;
  sink_(open_);
  open_ = MapObject{};
}

}  // namespace kvtconv::open
