// The notification queue (shown and aged by the frame routine).
#include "framework/notifications.h"

#include <memory>

RecordList<ment> MessageList;

void ResetNotifications() { MessageList.clear(); }

void AddNotification(const std::string& text, int c) {
  auto message = std::make_shared<ment>();
  message->tick = 0;
  message->txt = text;
  message->c = c;
  ListAddLast(MessageList, message);
}
