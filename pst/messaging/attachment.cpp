// Attachments by value: the attachment table of an item and its attachment objects.
#include "pst/messaging/attachment.h"

#include <algorithm>
#include <map>
#include <utility>

#include "pst/ltp/property_context.h"
#include "pst/ltp/table_context.h"
#include "pst/messaging/property_tags.h"
#include "pst/messaging/store_layout.h"

namespace brenmoor::pst::messaging {

namespace {

using ltp::PropTag;
using ltp::PropValue;

constexpr std::int32_t kAttachByValue = 1;
constexpr std::int32_t kNotRendered = -1; // PidTagRenderingPosition: not shown in the body

// The attachment objects' NIDs: local to the item, one after another.
ndb::Nid attachmentNid(std::size_t index) {
    return ndb::makeNid(ndb::NID_TYPE_ATTACHMENT, static_cast<std::uint32_t>(0x400 + index));
}

// ".pdf" of "contract.pdf"; empty where the name has no extension.
std::string extensionOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.find('/', dot) != std::string::npos) return {};
    return name.substr(dot);
}

std::int32_t sizeValue(std::uint64_t size) {
    return static_cast<std::int32_t>(std::min<std::uint64_t>(size, 0x7FFFFFFF));
}

std::vector<std::pair<PropTag, PropValue>> objectProperties(const Attachment& attachment) {
    using namespace tags;
    std::vector<std::pair<PropTag, PropValue>> props;
    props.emplace_back(PidTagAttachMethod, PropValue::int32(kAttachByValue));
    props.emplace_back(PidTagRenderingPosition, PropValue::int32(kNotRendered));
    for (PropTag name : {PidTagAttachFilename, PidTagAttachLongFilename, PidTagDisplayName})
        props.emplace_back(name, PropValue::unicode(attachment.fileName));
    if (const std::string extension = extensionOf(attachment.fileName); !extension.empty())
        props.emplace_back(PidTagAttachExtension, PropValue::unicode(extension));
    props.emplace_back(PidTagCreationTime, PropValue::systime(attachment.created));
    props.emplace_back(PidTagLastModificationTime, PropValue::systime(attachment.created));
    if (attachment.contactPicture) props.emplace_back(PidTagAttachmentContactPhoto, PropValue::boolean(true));
    props.emplace_back(PidTagAttachDataBinary, attachment.data);
    std::uint64_t size = 0;
    for (const auto& [tag, value] : props) size += value.size();
    props.emplace_back(PidTagAttachSize, PropValue::int32(sizeValue(size + 4)));
    return props;
}

} // namespace

void addAttachmentSubnodes(ndb::NodeContent& item, const std::vector<Attachment>& attachments) {
    if (attachments.empty()) return;
    ltp::TableContextBuilder table(layout::attachmentColumns());
    for (std::size_t index = 0; index < attachments.size(); ++index) {
        std::vector<std::pair<PropTag, PropValue>> props = objectProperties(attachments[index]);
        std::map<PropTag, PropValue> row;
        for (const auto& [tag, value] : props)
            if (tag != tags::PidTagAttachDataBinary) row.emplace(tag, value);
        table.setRow(attachmentNid(index), row);
        item.subnodes.emplace_back(attachmentNid(index), ltp::PropertyContextBuilder::build(std::move(props)));
    }
    item.subnodes.emplace_back(layout::kAttachmentTableTemplate, table.build());
}

std::uint64_t attachmentsSize(const std::vector<Attachment>& attachments) {
    std::uint64_t size = 0;
    for (const Attachment& attachment : attachments) size += attachment.data.size();
    return size;
}

} // namespace brenmoor::pst::messaging
