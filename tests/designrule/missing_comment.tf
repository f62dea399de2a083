; A section closed without the ";" comment behind its ")".
physicalRules(
 spacingRules(
  ( minWidth "metal1" 9.0 )
 )
) ;physicalRules
