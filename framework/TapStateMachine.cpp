// TEMPORARY STUBS: replace with the real bodies.
#include "kel/TapStateMachine.h"

namespace KelPluginInterface {

void TapStateMachine::applyTMS(uint32_t) {}
uint8_t TapStateMachine::getTMSPath(TapState, TapState) { return 0; }
int32_t TapStateMachine::getTMSPathLength(TapState, TapState) { return 0; }
const char* TapStateMachine::getStateName(TapState) { return nullptr; }
TapState TapStateMachine::nextState(TapState state, uint32_t) { return state; }

}  // namespace KelPluginInterface
