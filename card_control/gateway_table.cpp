#include "card_control/gateway_table.h"

#include <array>
#include <atomic>
#include <cstring>

namespace card_control {

namespace {

constexpr const char* VersionAim = "3.1";
constexpr const char* VersionWebLink = "3.0";

std::atomic<AuthorizeNetProtocol> authorizeNetSetting{AuthorizeNetProtocol::AIM};

using Rows = std::array<GatewayRow, GatewayCount>;

Rows buildRows() {
    Rows rows{};
    for (int g = 0; g < GatewayCount; ++g) rows[g] = GatewayRowData[g];
    for (const GatewayClone& clone : GatewayCloneData) {
        GatewayRow copy = GatewayRowData[clone.source];
        copy.id = clone.target;
        if (clone.endpoint) copy.endpoint = clone.endpoint;
        rows[clone.target] = copy;
    }
    return rows;
}

// Filled on first use, under the language's guarantee of one thread-safe initialisation, and never
// written again: engines created later find the rows as the first one left them.
const Rows& rows() {
    static const Rows table = buildRows();
    return table;
}

}  // namespace

void GatewayTable::initialise() { rows(); }

const GatewayRow& GatewayTable::row(int gateway) { return rows()[static_cast<std::size_t>(gateway)]; }

FixedPair GatewayTable::fixedPair(int gateway, int index) {
    FixedPair pair = row(gateway).fixedPairs[index];
    if (isAuthorizeNetRow(gateway) && pair.name && std::strcmp(pair.name, "x_Version") == 0)
        pair.value = authorizeNetVersion();
    return pair;
}

const char* GatewayTable::authorizeNetVersion() {
    return authorizeNetProtocol() == AuthorizeNetProtocol::WebLink ? VersionWebLink : VersionAim;
}

AuthorizeNetProtocol GatewayTable::authorizeNetProtocol() {
    return authorizeNetSetting.load(std::memory_order_relaxed);
}

void GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol protocol) {
    authorizeNetSetting.store(protocol, std::memory_order_relaxed);
}

}  // namespace card_control
