#include "live_hub.h"

LiveHub::LiveHub(DevState& state, QObject* parent) : QObject(parent), state_(state) {}

LiveHub::~LiveHub() = default;

void LiveHub::accept(std::unique_ptr<QWebSocket> socket)
{
    sockets_.push_back(std::move(socket));
}

void LiveHub::kick(int, const QString&, const QString&) {}
