#include "engine/message_pump.h"

#include <utility>

#include "engine/engine_services.h"

namespace tav::engine {
namespace {

std::function<void(const platform::Message&)>& Dispatcher() {
  static std::function<void(const platform::Message&)> dispatcher;
  return dispatcher;
}

bool Dispatch(const platform::Message& message) {
  if (message.kind == platform::MessageKind::Quit) {
    Services().closing = true;
    return false;
  }
  // A copy: the handler may replace the dispatcher while it runs (the shell tearing down).
  std::function<void(const platform::Message&)> dispatcher = Dispatcher();
  if (dispatcher) {
    dispatcher(message);
  } else if (message.kind == platform::MessageKind::Close) {
    Services().closing = true;
  }
  return true;
}

}  // namespace

void SetMessageDispatcher(std::function<void(const platform::Message&)> dispatcher) {
  Dispatcher() = std::move(dispatcher);
}

bool PumpOneMessage() {
  platform::Host* host = Services().host;
  platform::Message message;
  if (!host || !host->PeekMessage(message, true)) return false;
  return Dispatch(message);
}

bool WaitAndPumpOneMessage() {
  platform::Host* host = Services().host;
  if (!host) return false;
  platform::Message message;
  if (!host->GetMessage(message)) {
    Services().closing = true;
    return false;
  }
  return Dispatch(message);
}

}  // namespace tav::engine
