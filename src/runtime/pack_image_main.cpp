// Build tool: stores a runtime image the way the runtime library carries it.
//
//   plumo_pack_image IMAGE PACKED
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/image_store.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: plumo_pack_image IMAGE PACKED\n");
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream image;
  image << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "plumo_pack_image: cannot read %s\n", argv[1]);
    return 1;
  }
  std::string error;
  const auto stored = plumo::StoredRuntimeImage(image.str(), &error);
  if (!stored) {
    std::fprintf(stderr, "plumo_pack_image: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(stored->data(), static_cast<std::streamsize>(stored->size()));
  if (!out.flush()) {
    std::fprintf(stderr, "plumo_pack_image: cannot write %s\n", argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
