/**
 * @file
 * tarnsrvc.h - umbrella header of TarnSrvc, the client-side services
 * library: include it to reach every exported family. The routers' codes
 * (TarnRpdb.h, TarnRout.h) belong to their modules: a client that reads
 * them includes those headers itself.
 */
#ifndef TARNSRVC_H
#define TARNSRVC_H

#include "TarnUtil.h"
#include "ZeTypes.h"
#include "tarnsrvc_version.h"

/* Foundation */
#include "ZeFrame.h"
#include "ZeStrArray.h"
#include "ZeKeyed.h"
#include "ZeEnv.h"

/* Object framework */
#include "ZeObject.h"
#include "ZeGenObj.h"
#include "ZeGroup.h"

/* Data description */
#include "ZeDesc.h"
#include "ZeValidate.h"
#include "ZeDate.h"
#include "ZeString.h"

/* Records and filters */
#include "ZeRecords.h"
#include "ZeFilter.h"
#include "ZeRdw.h"

/* Remote requests */
#include "ZeDts.h"
#include "ZeSmc.h"
#include "ZeLogon.h"

#endif /* TARNSRVC_H */
