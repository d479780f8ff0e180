#pragma once
// The link's side of the traffic engine's link table: every member the link's own function.
#include "traffic/traffic_link_services.h"

ksb::TrafficLinkServices gf_trafficLinkServices();
