#pragma once
// The look and behaviour shared by the program's lists of records (accounts, contacts, last
// operations): flat rows of one height, one row selected at a time, never edited in place,
// alternating row colours.
class QTreeView;

namespace nummora {

void MakeRecordList(QTreeView* list);

}  // namespace nummora
