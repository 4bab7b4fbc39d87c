// compare_looks FORM.vfm FIRST FIRST_BASE SECOND SECOND_BASE [FIRST_NAME SECOND_NAME]
// Compares two hosts' pictures of FORM (PNG or BMP) within each of its library
// controls; the *_BASE pictures show the same form with those controls hidden.
// Prints one line a control that one host draws where the other does not, and
// exits 1 when there is any.
#include <iostream>
#include <map>
#include <string>

#include "tools/looks/looks.h"
#include "vfm/vfm_reader.h"

namespace {

using vitrelle::looks::Bitmap;

std::optional<Bitmap> ReadPicture(const std::string& path, std::string* error) {
  if (path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0) return vitrelle::looks::ReadBmp(path, error);
  return vitrelle::model::ReadPng(path, error);
}

int Twips(const vitrelle::vfm::Block& b, const char* key) {
  const vitrelle::vfm::Entry* e = b.Find(key);
  return e ? static_cast<int>(e->value.value.ToDouble()) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6 && argc != 8) {
    std::cerr << "usage: compare_looks FORM.vfm FIRST FIRST_BASE SECOND SECOND_BASE [FIRST_NAME SECOND_NAME]\n";
    return 2;
  }
  const std::string first_name = argc == 8 ? argv[6] : "first", second_name = argc == 8 ? argv[7] : "second";
  std::vector<vitrelle::looks::Region> regions;
  try {
    const vitrelle::vfm::Block form = vitrelle::vfm::ReadVfmFile(argv[1]);
    for (const auto& child : form.children) {
      if (child.class_name.rfind("Glaze", 0) != 0) continue;
      // 15 twips a pixel: both hosts show the form at 96 dots per inch.
      const int left = Twips(child, "Left") / 15, top = Twips(child, "Top") / 15;
      regions.push_back({child.name, {left, top, left + Twips(child, "Width") / 15, top + Twips(child, "Height") / 15}});
    }
  } catch (const std::exception& e) {
    std::cerr << "compare_looks: " << e.what() << "\n";
    return 2;
  }
  Bitmap pictures[4];
  for (int i = 0; i < 4; ++i) {
    std::string error;
    auto picture = ReadPicture(argv[2 + i], &error);
    if (!picture) {
      std::cerr << "compare_looks: " << error << "\n";
      return 2;
    }
    pictures[i] = std::move(*picture);
  }
  const auto mismatches =
      vitrelle::looks::CompareLooks(pictures[0], pictures[1], pictures[2], pictures[3], regions);
  // One line a control and side: how many cells, and the box around them.
  std::map<std::pair<std::string, bool>, std::pair<int, vitrelle::looks::Rect>> summary;
  for (const auto& m : mismatches) {
    auto& [count, box] = summary[{m.region, m.drawn_by_first}];
    ++count;
    box = box.Union(m.cell);
  }
  for (const auto& [key, value] : summary) {
    const auto& [count, box] = value;
    std::cout << "looks: " << key.first << ": drawn by " << (key.second ? first_name : second_name)
              << ", nothing there on " << (key.second ? second_name : first_name) << " (" << count
              << " cells in " << box.left << "," << box.top << " - " << box.right << "," << box.bottom << ")\n";
  }
  std::cout << "looks: " << regions.size() << " controls compared, " << summary.size() << " differ\n";
  return summary.empty() ? 0 : 1;
}
