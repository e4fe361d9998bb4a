#include "engine/core/command.h"

#include "engine/core/format.h"

namespace grainix {

bool parseAll(StCommandResult& r, std::initializer_list<std::pair<const std::string*, double*>> fields) {
  for (const auto& [text, value] : fields) {
    if (!parseDouble(*text, *value)) {
      r.conversionError(*text);
      return false;
    }
  }
  return true;
}

}  // namespace grainix
