T:
	smpsHeaderStartSong 3, 1
	smpsHeaderVoice     T_V
	smpsHeaderChan      $02, $01
	smpsHeaderTempo     $01, $20
	smpsHeaderDAC       T_D
	smpsHeaderFM        T_D, $00, $00
	smpsHeaderPSG       T_D, $0C, $00, $00, fTone_01
T_D:
	smpsFade $FF
	smpsSetTempoMod $20
	smpsStop
T_V:
	smpsVcAlgorithm $07
	smpsVcFeedback $00
	smpsVcUnusedBits $00, $01, $02, $03, $00
	smpsVcDetune $00, $00, $00, $00
	smpsVcCoarseFreq $01, $01, $01, $01
	smpsVcRateScale $00, $00, $00, $00
	smpsVcAttackRate $1F, $1F, $1F, $1F
	smpsVcAmpMod $01, $00, $01, $00
	smpsVcDecayRate1 $00, $00, $00, $00
	smpsVcDecayRate2 $00, $00, $00, $00
	smpsVcDecayLevel $00, $00, $00, $00
	smpsVcReleaseRate $0F, $0F, $0F, $0F
	smpsVcTotalLevel $10, $20, $30, $40
