#include "data/recordcall.h"

#include "platform/console.h"
#include "platform/system.h"
#include "recman/btrcall.h"
#include "screen/message.h"
#include "screen/windows.h"

namespace data {

namespace {
int waitDivisor = 1;
void (*waitObserver)() = nullptr;
} // namespace

int16_t CallRecordManager(int16_t operation, char* positionBlock, char* dataBuffer,
                          int32_t& dataLength, char* keyBuffer, uint8_t keyLength, int8_t keyNumber) {
    return recman::BTRCALL(operation, positionBlock, dataBuffer, &dataLength, keyBuffer, keyLength,
                           keyNumber);
}

void ShowLayerMessage(int16_t row, const std::string& text) { screen::ShowMessage(row, text); }

void CloseLayerMessage() { screen::PopWindow(); }

void WaitForOperatorKey() { screen::WaitForKeyPress(); }

void LayerPause(int32_t ms) {
    if (waitObserver) waitObserver();
    platform::PauseMs(ms / waitDivisor);
}

void SetWaitForTests(int divisor, void (*observer)()) {
    waitDivisor = divisor > 0 ? divisor : 1;
    waitObserver = observer;
}

} // namespace data
