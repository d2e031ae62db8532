#include "core/poll_subscription.h"

#include <utility>
#include <vector>

namespace pollSubscription {
namespace {

template <class Handler>
using Subscribers = std::vector<std::pair<QString, Handler>>;

Subscribers<ResultSubscriber> g_results;
Subscribers<Subscriber> g_failedPolls;
Subscribers<Subscriber> g_connections;

template <class Handler>
void subscribe(Subscribers<Handler>& subscribers, const QString& name, Handler handler) {
  for (auto& [known, existing] : subscribers)
    if (known == name) {
      existing = std::move(handler);
      return;
    }
  subscribers.emplace_back(name, std::move(handler));
}

// A subscriber may subscribe another while it is told: each is told from a copy of the list.
template <class Handler, class... Arguments>
void tell(const Subscribers<Handler>& subscribers, Arguments&... arguments) {
  const Subscribers<Handler> told = subscribers;
  for (const auto& subscriber : told)
    if (subscriber.second) subscriber.second(arguments...);
}

}  // namespace

void OnResult(const QString& name, ResultSubscriber subscriber) {
  subscribe(g_results, name, std::move(subscriber));
}

void OnFailedPoll(const QString& name, Subscriber subscriber) {
  subscribe(g_failedPolls, name, std::move(subscriber));
}

void OnConnectionComplete(const QString& name, Subscriber subscriber) {
  subscribe(g_connections, name, std::move(subscriber));
}

void TellResult(portwright::IModbusAtl& mod1, int16_t group, int16_t item, int16_t result) {
  tell(g_results, mod1, group, item, result);
}

void TellFailedPoll() { tell(g_failedPolls); }

void TellConnectionComplete() { tell(g_connections); }

}  // namespace pollSubscription
