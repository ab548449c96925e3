#include "StoreInProgress.h"

namespace widgets {

namespace {
int storesInProgress = 0;
}  // namespace

StoreInProgress::StoreInProgress() {
    ++storesInProgress;
}
StoreInProgress::~StoreInProgress() {
    --storesInProgress;
}
bool StoreInProgress::active() {
    return storesInProgress > 0;
}

}  // namespace widgets
