// The notification queue: short messages any module posts and the frame
// routine shows for a few seconds each.
#pragma once

#include <string>

#include "platform/platform.h"

// One notification message.
struct ment {
  int tick = 0;       // frames shown so far
  std::string txt;
  int c = 0;          // the caller's value, kept with the message
};

// Added to by AddNotification from any module; FlipFrame ages each message
// and drops it after 180 frames. Emptied by ResetNotifications.
extern RecordList<ment> MessageList;

void ResetNotifications();
void AddNotification(const std::string& text, int c);
