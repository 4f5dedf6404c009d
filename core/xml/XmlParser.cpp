#include "core/xml/XmlParser.h"

#include "core/xml/XmlParserState.h"

std::wstring xmlErrorText(int32_t code) {
    switch (code) {
    case kXmlErrorIo: return L"I/O error";
    case kXmlErrorUnsupportedEncoding: return L"Unsupported encoding";
    case kXmlErrorInvalidFormat: return L"Invalid format";
    case kXmlErrorTagBalance: return L"Tag balance";
    case kXmlErrorQuoteBalance: return L"Quote balance";
    case kXmlErrorInvalidIdentifier: return L"Invalid identifier";
    case kXmlErrorInvalidValue: return L"Invalid value";
    case kXmlErrorEntity: return L"Error in entity";
    case kXmlErrorUnclosedComment: return L"Unclosed comment";
    case kXmlErrorUnclosedEntity: return L"Unclosed entity";
    case kXmlErrorUnclosedCdata: return L"Unclosed CDATA";
    case kXmlErrorUnclosedScript: return L"Unclosed SCRIPT";
    case kXmlErrorBlockTooLarge: return L"Block too large";
    case kXmlErrorParserSpecific: return L"Parser-specific error";
    default: return L"Unspecified error";
    }
}

XmlParser::XmlParser() : state_(new XmlParserState(*this)) {}

XmlParser::~XmlParser() = default;

bool XmlParser::parse(XmlStream& stream) {
    return state_->run(stream);
}

int32_t XmlParser::errorCode() const {
    return state_->errorCode;
}

int32_t XmlParser::errorPosition() const {
    return state_->errorPosition;
}

int32_t XmlParser::markupStart() const {
    return state_->markupStart;
}

int32_t XmlParser::markupLength() const {
    return state_->markupLength;
}

int32_t XmlParser::markupByteOffset() const {
    return state_->markupByteOffset;
}

void XmlParser::stop() {
    state_->stopRequested = true;
}
