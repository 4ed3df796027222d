#include "views/gdi_owner.h"

namespace tw {

GdiObjectCounts& GdiCounts() {
  static GdiObjectCounts counts;
  return counts;
}

}  // namespace tw
