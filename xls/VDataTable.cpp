#include "xls/VDataTable.h"

const std::string& TVirtualDataTable::Item(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) throw EListError(AIndex);
  return FItems[AIndex];
}

int TVirtualDataTable::AddItem(std::string_view AItem) {
  const int found = FindItem(AItem);
  return found >= 0 ? found : AddItemWithDuplicates(AItem);
}

int TVirtualDataTable::AddItemWithDuplicates(std::string_view AItem) {
  const int position = Count();
  FItems.emplace_back(AItem);
  FIndex.emplace(std::string_view(FItems.back()), position);  // keeps an earlier position
  return position;
}

int TVirtualDataTable::FindItem(std::string_view AItem) const {
  const auto found = FIndex.find(AItem);
  return found == FIndex.end() ? -1 : found->second;
}

int TVirtualDataTable::ChangeItem(std::string_view AOldItem, std::string_view AItem) {
  return AOldItem == AItem ? FindItem(AOldItem) : AddItem(AItem);
}

void TVirtualDataTable::Clear() {
  FIndex.clear();
  FItems.clear();
}
