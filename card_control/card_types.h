#pragma once
// The enumerations of the card control's type library, shared by the engine and the automation layer.

namespace card_control {

enum TGateway : int {
    gwNoGateway = 0,
    gwAuthorizeNet = 1,
    gwDPI = 2,
    gwEprocessing = 3,
    gwGoRealTime = 4,
    gwIBill = 5,
    gwIntellipay = 6,
    gwIOnGate = 7,
    gwITransact = 8,
    gwNetBilling = 9,
    gwPayFlowPro = 10,
    gwPayready = 11,
    gwViaKlix = 12,
    gwUSAePay = 13,
    gwPlugNPay = 14,
    gwPlanetPayment = 15,
    gwMPCS = 16,
    gwRTWare = 17,
    gwECX = 18,
    gwBankOfAmerica = 19,
    gwInnovative = 20,
    gwMerchantAnywhere = 21,
    gwSkipjack = 22,
    gwECHOnline = 23,
    gw3DSI = 24,
    gwTrustCommerce = 25,
    gwPSIGate = 26,
    gwPayFuse = 27,
    gwPayFlowLink = 28,
    gwOrbital = 29,
    gwLinkPoint = 30,
    gwMoneris = 31,
    gwUSight = 32,
    gwFastTransact = 33,
    gwNetworkMerchants = 34,
    gwOgone = 35,
    gwEFSNet = 36,
    gwPRIGate = 37,
    gwProtx = 38,
    gwOptimal = 39,
    gwMerchantPartners = 40,
    gwCyberCash = 41,
    gwFirstData = 42,
    gwYourPay = 43,
    gwACHPAyments = 44,
    gwPaymentsGateway = 45,
};

enum TCardType : int {
    ccUnknown = 0,
    ccVisa = 1,
    ccMasterCard = 2,
    ccAMEX = 3,
    ccDiscover = 4,
    ccDiners = 5,
    ccJCB = 6,
    ccBankCard = 7,
};

enum TTransactionType : int {
    ttSale = 0,
    ttAuthOnly = 1,
    ttCapture = 2,
    ttCredit = 3,
    ttVoid = 4,
    ttForce = 5,
    ttAVSOnly = 6,
};

}  // namespace card_control
