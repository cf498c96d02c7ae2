#pragma once

#include "dev_state.h"

#include <QJsonObject>

// The JSON the devserver answers with, written by hand from its own state.
// Optional fields that hold nothing are left out.
namespace RestRecords {

QJsonObject channel(DevState& state, qint64 channelNumber);
QJsonObject channelSettings(DevState& state, qint64 channelNumber);
QJsonObject person(const DevUser& user);  // roster and ban entries: uid, radio_id, display_name
// A uid that never checked in has no record: its entry has an empty radio ID and name.
QJsonObject person(const DevState& state, const QString& uid);
QJsonObject slot(const DevSlot& slot);
QJsonObject profile(DevState& state, const DevUser& user);
QJsonObject searchHit(const DevUser& user);
QJsonObject workplace(const DevOrg& org, const QString& viewerUid);

}  // namespace RestRecords
