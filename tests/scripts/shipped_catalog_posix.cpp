#include "scripts/shipped_catalog.h"

#include "scripts/embedded_catalog.h"

namespace plumo {

std::string ShippedCatalogBytes() { return std::string(EmbeddedActionCatalog()); }

}  // namespace plumo
