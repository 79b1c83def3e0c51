// Requests of the form-posting gateways: the special fields, then the row's named request slots,
// then each gateway's extras.

#include "card_control/gateway_engine.h"

#include "payment_core/text_utils.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace card_control {

using payment_core::kOk;

namespace {

constexpr std::string_view kAchEndMarker = "endofdata";

bool isNull(const char* text) { return !text || std::strcmp(text, "NULL") == 0; }

constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

bool sendsFullYear(int gateway) {
    return gateway == gwITransact || gateway == gwBankOfAmerica || gateway == gwUSight || gateway == gwMerchantPartners;
}

}  // namespace

int GatewayEngine::buildRequest() {
    switch (gateway) {
    case gwPayFuse:
        return buildPayFuse();
    case gwOrbital:
        return buildOrbital();
    case gwLinkPoint:
    case gwFirstData:
    case gwYourPay:
        return buildLinkPoint();
    default:
        return buildFormRequest();
    }
}

int GatewayEngine::addForm(const char* name, std::string_view value) {
    int result = formNames.add(name);
    if (!result) result = formValues.add(value.data(), value.size());
    return result;
}

// The text one request slot sends; send is false when the slot sends nothing.
int GatewayEngine::slotValue(int index, InlineString99& out, bool& send) {
    const GatewayRow& r = row();
    send = true;
    const InlineString99& own = slots[index];
    switch (static_cast<RequestSlot>(index)) {
    case RequestSlot::CardExpMonth: {
        if (gateway == gwITransact) {
            const int month = std::atoi(own.data());
            return out.assignCString(month >= 1 && month <= 12 ? kMonthNames[month - 1] : own.data());
        }
        int result = out.assign(static_cast<std::size_t>(own.length()), own.data());
        if (isNull(r.requestName(RequestSlot::CardExpYear))) {
            if (!result && gateway == gwOptimal) result = out.appendChar('/');
            if (!result) result = out.appendCString(slot(RequestSlot::CardExpYear).data());
        }
        return result;
    }
    case RequestSlot::CardExpYear: {
        int result = out.assignCString(sendsFullYear(gateway) ? "20" : "");
        if (!result) result = out.appendCString(own.data());
        return result;
    }
    case RequestSlot::CustomerFirstName: {
        int result = out.assign(static_cast<std::size_t>(own.length()), own.data());
        if (!result && isNull(r.requestName(RequestSlot::CustomerLastName))) {
            result = out.appendChar(' ');
            if (!result) result = out.appendCString(slot(RequestSlot::CustomerLastName).data());
        }
        return result;
    }
    case RequestSlot::TransactionType: {
        const char* code = r.transactionCodes[transactionType()];
        if (isNull(code)) return fail(kNotForGateway, kInvalidTransactionTypeText);
        return out.assignCString(code);
    }
    case RequestSlot::CardType: {
        const char* code = r.cardCodes[cardType()];
        if (!code || std::strcmp(code, "*USR*") == 0) {
            send = false;
            return kOk;
        }
        if (isNull(code)) return fail(kNotForGateway, "Invalid credit card type for this Gateway. Please see help file.");
        return out.assignCString(code);
    }
    default:
        return out.assign(static_cast<std::size_t>(own.length()), own.data());
    }
}

int GatewayEngine::buildFormRequest() {
    for (int i = 0; i < specialNames.count(); ++i) {
        int result = formNames.add(specialNames.get(i), static_cast<std::size_t>(specialNames.itemLength(i)));
        if (!result) result = formValues.add(specialValues.get(i), static_cast<std::size_t>(specialValues.itemLength(i)));
        if (result) return result;
    }
    const GatewayRow& r = row();
    for (int index = 0; index < RequestSlotCount; ++index) {
        const char* name = r.requestNames[index];
        if (isNull(name) || slots[index].empty()) continue;
        InlineString99 value;
        bool send = true;
        if (int rc = slotValue(index, value, send)) return rc;
        if (!send) continue;
        if (int rc = addForm(name, {value.data(), static_cast<std::size_t>(value.length())})) return rc;
    }
    return kOk;
}

int GatewayEngine::checkPennies() {
    if (slot(RequestSlot::TransactionAmount).indexOf('.') >= 0)
        return fail(kNotForGateway,
                    "For this gateway the TransactionAmount must be formatted as the number of pennies with no decimal "
                    "point.");
    return kOk;
}

// The ACH gateways read the body as a form up to a pair named by the end marker. Encoding keeps
// every value whole; only a name that is the marker itself (encoding leaves its letters alone)
// would still end the data early.
int GatewayEngine::checkAchName(std::string_view name) {
    if (name.size() != kAchEndMarker.size() ||
        payment_core::compareTextPrefixNoCase(name.data(), kAchEndMarker.data(), kAchEndMarker.size()) != 0)
        return kOk;
    std::string message = "Field name '";
    message.append(name);
    message += "' is this gateway's end-of-data marker and cannot be sent.";
    return fail(kNotForGateway, message.c_str());
}

int GatewayEngine::addGatewayExtras() {
    const bool haveCvv = !slot(RequestSlot::CardCVV2Data).empty();
    switch (gateway) {
    case gwEprocessing:
        return haveCvv ? addForm("CVV2Type", "1") : kOk;
    case gwViaKlix: {
        int result = addForm("ssl_avs_address", text(RequestSlot::CustomerAddress));
        if (!result) result = addForm("ssl_avs_zip", text(RequestSlot::CustomerZip));
        if (!result && haveCvv) result = addForm("ssl_cvv2", "present");
        return result;
    }
    case gwBankOfAmerica:
        return Referer.assign(static_cast<std::size_t>(RefererSetting.length()), RefererSetting.data());
    case gwPayFlowLink:
    case gwCyberCash:
        FollowRedirects = 1;
        return kOk;
    case gwOptimal: {
        const int result = addForm("cvdIndicator", haveCvv ? "1" : "0");
        return result ? result : checkPennies();
    }
    case gw3DSI:
    case gwTrustCommerce:
    case gwPayFuse:
    case gwOgone:
        return checkPennies();
    case gwMerchantPartners:
        return transactionType() == ttAuthOnly ? addForm("Authonly", "1") : kOk;
    case gwACHPAyments:
    case gwPaymentsGateway: {
        PostData.reset();
        int result = kOk;
        for (int i = 0; !result && i < formNames.count(); ++i)
            result = checkAchName({formNames.get(i), static_cast<std::size_t>(formNames.itemLength(i))});
        for (int i = 0; !result && i < formNames.count(); ++i) {
            result = payment_core::urlEncode(PostData, formNames.get(i));
            if (!result) result = PostData.appendChar('=');
            if (!result) result = payment_core::urlEncode(PostData, formValues.get(i));
            if (!result) result = PostData.appendChar('&');
        }
        if (!result) result = PostData.append(kAchEndMarker.data(), kAchEndMarker.size());
        if (!result) result = PostData.appendChar('&');
        return result;
    }
    default:
        return kOk;
    }
}

}  // namespace card_control
