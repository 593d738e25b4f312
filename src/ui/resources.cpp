#include "ui/resources.h"

#include <QtGlobal>

static void initAssetResources() { Q_INIT_RESOURCE(assets); }

namespace youran {

void initResources() {
  static const bool done = [] {
    initAssetResources();
    return true;
  }();
  (void)done;
}

}  // namespace youran
