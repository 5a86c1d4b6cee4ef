#pragma once
// Map objects from coded points, in catalogue order. The code type of each
// point (as findkod splits the code) decides: 0 a single point, 1-3 a vertex
// of a line (the types only change the line's drawing), 8 the last vertex
// of an area, 9 the last vertex of an open line; 7 is a direction point of
// the single point before it and stays a point. A change of base code, a
// single point, a text or the end of the file ends an object that has no
// end point yet; it is kept as an open line. An end point that ends no
// object is reported and kept as a single point.
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kvtconv::open {

struct Vertex {
  double first = 0, second = 0, height = 0;  // catalogue column order
  bool hasHeight = false;
  std::string number, code;  // trimmed; empty when missing
};

struct MapObject {
  enum Kind { Point, Line, Area };
  Kind kind = Point;
  std::string base;  // base code of the object (points: the split base, or the code)
  int codeType = -1; // points only: the code type, -1 when the code did not split
  bool ended = false;  // lines: closed by an end point (type 9)
  std::vector<Vertex> vertices;  // an area's ring is not closed here
};

class ObjectBuilder {
 public:
  using Sink = std::function<void(const MapObject&)>;
  // `misplacedEnd` is told of an end point that ends no object.
  ObjectBuilder(Sink sink, std::function<void(const Vertex&)> misplacedEnd)
      : sink_(std::move(sink)), misplacedEnd_(std::move(misplacedEnd)) {}

  // A point with both coordinates. `split` is false when the code does not
  // fit the code system: the point is then a single point.
  void add(const Vertex& v, const std::string& base, int type, bool split);
  // Ends the open object (texts, DSFL field records, end of file).
  void flush();

 private:
  void single(const Vertex& v, const std::string& base, int type);

  Sink sink_;
  std::function<void(const Vertex&)> misplacedEnd_;
  MapObject open_;
  bool isOpen_ = false;
};

}  // namespace kvtconv::open
