// files.cfg: whatever the file holds loads without harm, and saving what was
// loaded and loading it again gives the same table.
#include <cstddef>
#include <cstdint>

#include "core/quickcommands.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvolin;
  const std::string path = fuzz::Folder() + "/files.cfg";
  fuzz::WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
  QuickcommandTable loaded;
  LoadQuickcommands(loaded, path);
  fuzz::Check(!loaded.empty(), "the first load gives at least one entry");
  QuickcommandTable saved = loaded;
  std::string error;
  fuzz::Check(SaveQuickcommands(saved, true, path, &error), "a save in a writable folder");
  fuzz::Check(saved == loaded, "save then load is identity");
  return 0;
}
