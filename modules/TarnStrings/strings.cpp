// TarnStrings: the sample string library. CreateStringTable makes the
// static entries below, in AMENG and FRENCH, the entries of the table it is
// given; its two arguments are not used. The identifiers are the ZE_STR_*
// values of ZeString.h.
#include "ZeString.h"

namespace {

StringEntry kEntries[] = {
    {ZE_STR_NAME, "AMENG", "Name"},
    {ZE_STR_NAME, "FRENCH", "Nom"},
    {ZE_STR_DESCRIPTION, "AMENG", "Description"},
    {ZE_STR_DESCRIPTION, "FRENCH", "Description"},
    {ZE_STR_VERSION, "AMENG", "Version"},
    {ZE_STR_VERSION, "FRENCH", "Version"},
    {ZE_STR_LANGUAGE, "AMENG", "Language"},
    {ZE_STR_LANGUAGE, "FRENCH", "Langue"},
    {ZE_STR_NODE, "AMENG", "Node"},
    {ZE_STR_NODE, "FRENCH", "Noeud"},
    {ZE_STR_OWNER, "AMENG", "Owner"},
    {ZE_STR_OWNER, "FRENCH", "Propriétaire"},
    {ZE_STR_CREATED, "AMENG", "Created"},
    {ZE_STR_CREATED, "FRENCH", "Créé le"},
    {ZE_STR_MODIFIED, "AMENG", "Modified"},
    {ZE_STR_MODIFIED, "FRENCH", "Modifié le"},
    {ZE_STR_YES, "AMENG", "Yes"},
    {ZE_STR_YES, "FRENCH", "Oui"},
    {ZE_STR_NO, "AMENG", "No"},
    {ZE_STR_NO, "FRENCH", "Non"},
    {ZE_STR_NOT_FOUND, "AMENG", "Item not found"},
    {ZE_STR_NOT_FOUND, "FRENCH", "Élément introuvable"},
    {ZE_STR_INVALID_VALUE, "AMENG", "Invalid value"},
    {ZE_STR_INVALID_VALUE, "FRENCH", "Valeur non valide"},
    {ZE_STR_INVALID_DATE, "AMENG", "Invalid date"},
    {ZE_STR_INVALID_DATE, "FRENCH", "Date non valide"},
    {ZE_STR_COMPLETED, "AMENG", "Action completed"},
    {ZE_STR_COMPLETED, "FRENCH", "Action terminée"},
    {ZE_STR_ACCESS_DENIED, "AMENG", "Access denied"},
    {ZE_STR_ACCESS_DENIED, "FRENCH", "Accès refusé"},
    {0, nullptr, nullptr},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) unsigned int CreateStringTable(StringTable *table, void *, void *)
{
    return ZeSetStringTableEntries(table, kEntries);
}
